// Conversions between the core's UTF-8 texts and Qt's strings.
#pragma once

#include <QString>
#include <string>

namespace quillon {

inline QString toQt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline std::string toUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace quillon
