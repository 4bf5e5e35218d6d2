#pragma once
// How a persistent class's plain fields travel. Each class names them once, in record order, as
// a tuple of references (its nested `Fields::of(object)`); copy, package, file record and swap
// all follow that one list. Packages and records mix such a tuple with single values: every
// function here takes its parts in order and flattens the tuples among them.

#include <vorn/CoreFile.h>
#include <vorn/Package.h>
#include <vorn/Variant.h>

#include <tuple>
#include <type_traits>

namespace vorn::record {

// The version text every record starts with; the structure writes its own.
inline QString version() { return QStringLiteral("1.0"); }

// A record's version compares exactly: case makes no difference to "1.0".
inline bool isCurrent(const QString& text) { return text == version(); }

namespace detail {
template <class T>
struct IsTuple : std::false_type {
};
template <class... T>
struct IsTuple<std::tuple<T...>> : std::true_type {
};

template <class Part, class F>
void each(Part&& part, F& f)
{
    if constexpr (IsTuple<std::remove_cvref_t<Part>>::value)
        std::apply([&f](auto&&... field) { (f(field), ...); }, part);
    else
        f(part);
}

template <class Part>
constexpr qsizetype width()
{
    if constexpr (IsTuple<std::remove_cvref_t<Part>>::value)
        return qsizetype(std::tuple_size_v<std::remove_cvref_t<Part>>);
    else
        return 1;
}
} // namespace detail

// The values of the parts, in order.
template <class... Parts>
VariantArray values(Parts&&... parts)
{
    VariantArray out;
    out.reserve(size_t((detail::width<Parts>() + ... + 0)));
    auto add = [&out](const auto& v) { out.emplace_back(v); };
    (detail::each(parts, add), ...);
    return out;
}

template <class... Parts>
QString pack(Parts&&... parts)
{
    return Package::PACK(values(std::forward<Parts>(parts)...));
}

// Fills the targets from a package that must hold exactly as many values; raises Error otherwise.
template <class... Targets>
void unpack(const QString& package, Targets&&... targets)
{
    const VariantArray in = Package::UNPACK(package, (detail::width<Targets>() + ... + 0));
    size_t at = 0;
    auto take = [&](auto& target) { assignValue(in[at++], target); };
    (detail::each(targets, take), ...);
}

template <class... Parts>
void write(CoreFile& file, Parts&&... parts)
{
    auto put = [&file](const auto& v) { file.WRITE(Variant(v)); };
    (detail::each(parts, put), ...);
}

template <class... Targets>
void read(CoreFile& file, Targets&&... targets)
{
    auto take = [&file](auto& target) { file.READ(target); };
    (detail::each(targets, take), ...);
}

// Exchanges the fields two tuples refer to.
template <class... T>
void swap(std::tuple<T&...> a, std::tuple<T&...> b) noexcept
{
    a.swap(b);
}

} // namespace vorn::record
