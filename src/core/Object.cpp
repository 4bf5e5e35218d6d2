#include <vorn/Object.h>

namespace vorn {

Error::Error(int number, QString source, QString description)
    : std::runtime_error(QString(source + QStringLiteral(": ") + description).toStdString()), m_number(number),
      m_source(std::move(source)), m_description(std::move(description))
{
}

Error::Error(QString source, QString description) : Error(ErrorService, std::move(source), std::move(description)) {}

} // namespace vorn
