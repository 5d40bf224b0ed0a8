#include "wordstore/word_voice.h"

#include "game/keyboard_table.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace korivanta::wordtool {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScriptName = QStringLiteral("speak_word.py");

} // namespace

QString findVoiceScript(const QString &executableDir)
{
    const QString installed =
        QDir(executableDir).absoluteFilePath(QStringLiteral("../share/korivanta/tools/") + kScriptName);
    if (QFileInfo(installed).isFile())
        return QDir::cleanPath(installed);
    const QString source = QStringLiteral(KORIVANTA_TOOLS_SOURCE_DIR "/word_tool/") + kScriptName;
    if (QFileInfo(source).isFile())
        return source;
    return {};
}

QString voiceMissing(const QString &script)
{
    QStringList missing;
    if (!QFileInfo(kPython).isExecutable())
        missing << QStringLiteral("python3");
    for (const QString &program : {QStringLiteral("espeak-ng"), QStringLiteral("sox")})
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing << program;
    if (!missing.isEmpty())
        return QStringLiteral("para generar la voz hace falta instalar %1 (sudo apt-get install %1)")
            .arg(missing.join(QLatin1Char(' ')));
    if (script.isEmpty())
        return QStringLiteral("no se encuentra el programa de la voz (%1)").arg(kScriptName);
    return {};
}

QString speakWord(const QString &script, const QString &word, const QString &wavPath)
{
    const QString missing = voiceMissing(script);
    if (!missing.isEmpty())
        return missing;
    // The keyboard's graphemes: the script splits the word into them.
    QStringList args{script, wavPath, word};
    for (const KeyRow &key : kKeyboard)
        args << QString::fromUtf16(key.grapheme);
    QProcess python;
    python.start(kPython, args);
    if (!python.waitForFinished(120000)) {
        python.kill();
        python.waitForFinished();
        return QStringLiteral("la voz tardó demasiado");
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        const QString detail = QString::fromUtf8(python.readAllStandardError()).trimmed();
        return detail.isEmpty() ? QStringLiteral("falló %1").arg(script) : detail;
    }
    if (!QFileInfo(wavPath).isFile())
        return QStringLiteral("%1 no escribió «%2»").arg(script, wavPath);
    return {};
}

} // namespace korivanta::wordtool
