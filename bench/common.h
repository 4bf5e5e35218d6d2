#pragma once
// Helpers shared by the benchmark programs: where the generated data lives, reading it, and
// the two memory measures (retained heap and peak resident size).

#include <nlohmann/json.hpp>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace bench {

// VORN_BENCH_DATA overrides the folder bench/run generates into.
inline std::string dataDir()
{
    if (const char* d = std::getenv("VORN_BENCH_DATA"); d && *d)
        return d;
    return VORN_BENCH_DEFAULT_DATA;
}

inline std::string dataPath(const std::string& set, const std::string& ext)
{
    return dataDir() + "/" + set + "." + ext;
}

inline bool exists(const std::string& path) { return std::ifstream(path).good(); }

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::string s;
    in.seekg(0, std::ios::end);
    s.resize(size_t(in.tellg()));
    in.seekg(0);
    in.read(s.data(), std::streamsize(s.size()));
    return s;
}

// What the generator wrote about a set: element count and the size of every form.
inline nlohmann::json meta(const std::string& set)
{
    return nlohmann::json::parse(readFile(dataPath(set, "meta.json")));
}

// Bytes the allocator has handed out and not got back (small chunks plus mmapped ones). Qt's
// containers allocate through malloc too, so this covers every DOM measured here.
inline std::int64_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return std::int64_t(m.uordblks + m.hblkhd);
}

// A field of /proc/self/status in bytes (VmHWM: peak resident size, VmRSS: current).
inline std::int64_t procStatus(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) {
            std::istringstream s(line.substr(key.size()));
            std::int64_t kb = 0;
            s >> kb;
            return kb * 1024;
        }
    return -1;
}

} // namespace bench
