// Conversions between the core's texts (bytes, UTF-8 where they come from the windows)
// and Qt's strings.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>

namespace quillon {

// A text as the windows show it: as UTF-8 where it is valid, otherwise one character per
// byte (Latin-1), so that a game list or a file name in another encoding still shows.
inline QString toQt(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(bytes);
}

inline std::string toUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace quillon
