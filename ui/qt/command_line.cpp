#include "ui/qt/command_line.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "base/version.h"

namespace varnok {
namespace {

// Each byte of an argument reaches the parser as the one character of the
// same number, so that a folder comes back as exactly the bytes given,
// whatever their encoding.
QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(),
                             static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
  return text.toLatin1().toStdString();
}

CommandLine UsageError(const QString& reason) {
  CommandLine result;
  result.exitStatus = kExitUsage;
  result.err = "varnok: " + ToBytes(reason) +
               "\nRun 'varnok --help' for more information.\n";
  return result;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Packs the files beneath a folder into a kzf archive, the file a game "
      "engine reads its assets from."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version(
      {QStringLiteral("v"), QStringLiteral("version")},
      QStringLiteral("Show the version and exit."));
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(
      QStringLiteral("FOLDER"),
      QStringLiteral("List the files beneath FOLDER when the window opens, "
                     "as if it had been picked."),
      QStringLiteral("[FOLDER]"));

  QStringList texts;
  for (const std::string& argument : arguments)
    texts.append(FromBytes(argument));
  if (!parser.parse(texts)) return UsageError(parser.errorText());

  CommandLine result;
  if (parser.isSet(help)) {
    // Qt names the program after the running application, and there is none
    // yet: the usage line names it here.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(u'\n'),
                 QStringLiteral("Usage: varnok [options] [FOLDER]"));
    result.exitStatus = kExitSuccess;
    result.out = ToBytes(text);
    return result;
  }
  if (parser.isSet(version)) {
    result.exitStatus = kExitSuccess;
    result.out = std::string("varnok ") + kVersion + "\n";
    return result;
  }
  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) {
    return UsageError(
        QStringLiteral("Unexpected argument '%1'.").arg(folders.at(1)));
  }
  if (!folders.isEmpty()) result.folder = ToBytes(folders.front());
  return result;
}

}  // namespace varnok
