#include "Prompts.h"

namespace core {

QString ScriptedPrompts::next() { return m_answers.isEmpty() ? QString() : m_answers.takeFirst(); }

void ScriptedPrompts::information(const QString &text, const QString &)
{
    m_shown.append(QStringLiteral("information: ") + text);
}

void ScriptedPrompts::warning(const QString &text, const QString &)
{
    m_shown.append(QStringLiteral("warning: ") + text);
}

bool ScriptedPrompts::confirmOkCancel(const QString &text, const QString &)
{
    m_shown.append(QStringLiteral("okcancel: ") + text);
    return !next().isEmpty();
}

bool ScriptedPrompts::warningOkCancel(const QString &text, const QString &)
{
    m_shown.append(QStringLiteral("warnokcancel: ") + text);
    return !next().isEmpty();
}

bool ScriptedPrompts::confirmYesNo(const QString &text, const QString &)
{
    m_shown.append(QStringLiteral("yesno: ") + text);
    return !next().isEmpty();
}

bool ScriptedPrompts::askText(const QString &text, QString *value, const QString &)
{
    m_shown.append(QStringLiteral("text: ") + text);
    const QString a = next();
    if (a.isEmpty()) return false;
    *value = a;
    return true;
}

QString ScriptedPrompts::openFile(const QString &title, const QString &, const QString &)
{
    m_shown.append(QStringLiteral("open: ") + title);
    return next();
}

QString ScriptedPrompts::saveFile(const QString &title, const QString &, const QString &)
{
    m_shown.append(QStringLiteral("save: ") + title);
    return next();
}

QString ScriptedPrompts::chooseDirectory(const QString &title, const QString &)
{
    m_shown.append(QStringLiteral("directory: ") + title);
    return next();
}

} // namespace core
