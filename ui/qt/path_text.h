// Texts that hold paths, between the bytes the platform layer spells paths
// with and the QStrings widgets show: the bytes are decoded as the system
// decodes file names (QFile::decodeName), so a name that is not valid UTF-8
// shows replacement characters, and encoded back the same way.

#ifndef VARNOK_UI_QT_PATH_TEXT_H_
#define VARNOK_UI_QT_PATH_TEXT_H_

#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace varnok {

inline QString FromPath(const std::string& text) {
  return QFile::decodeName(QByteArray::fromStdString(text));
}

inline std::string ToPath(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

}  // namespace varnok

#endif  // VARNOK_UI_QT_PATH_TEXT_H_
