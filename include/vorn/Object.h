#pragma once
// Base of every public class: shared ownership, class names and failures.

#include <QString>

#include <memory>
#include <stdexcept>

namespace vorn {

// Lets a class build itself and its reference count in one allocation (std::make_shared)
// while its constructor stays out of reach: only the class itself can make its key.
template <typename T>
class CreateKey {
    friend T;
    explicit CreateKey() = default;
};

// Objects are shared by reference; the last reference ends the object.
template <class T>
using Ref = std::shared_ptr<T>;

// Every public class answers its class name, so code can recognise a class by name.
class Object {
public:
    virtual ~Object() = default;
    virtual QString className() const = 0;

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

// The one kind of failure the component raises: a number, a source and a description.
class Error : public std::runtime_error {
public:
    Error(int number, QString source, QString description);
    // A failure of the component's own services (malformed package, bad file, ...).
    Error(QString source, QString description);

    int number() const noexcept { return m_number; }
    const QString& source() const noexcept { return m_source; }
    const QString& description() const noexcept { return m_description; }

private:
    int m_number;
    QString m_source;
    QString m_description;
};

// Error numbers of the component's own failures.
enum ErrorNumber : int {
    ErrorParse = 4000,    // VORN.PARSE on request
    ErrorService = 5000,  // a core service refused its input
    ErrorConversion = 13, // a value does not convert (type mismatch)
    ErrorOverflow = 6,    // a number does not fit
};

} // namespace vorn
