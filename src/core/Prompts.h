#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Every message box, confirmation, text prompt and file or folder dialog that logic needs goes
// through this interface: the window layer shows the real dialogs, tests script the answers
// and read the texts shown.
namespace core {

class Prompts
{
public:
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    // An information box with OK.
    virtual void information(const QString &text, const QString &title = {}) = 0;
    // A warning box with OK.
    virtual void warning(const QString &text, const QString &title = {}) = 0;
    // OK and Cancel; true for OK.
    virtual bool confirmOkCancel(const QString &text, const QString &title = {}) = 0;
    // A warning with OK and Cancel, for a step that cannot be undone: Cancel is the default,
    // so a stray Enter keeps the data. True for OK.
    virtual bool warningOkCancel(const QString &text, const QString &title = {}) = 0;
    // Yes and No; true for Yes.
    virtual bool confirmYesNo(const QString &text, const QString &title = {}) = 0;
    // A line of text; false when cancelled.
    virtual bool askText(const QString &text, QString *value, const QString &title = {}) = 0;
    // File and folder choosers; the empty text when cancelled.
    virtual QString openFile(const QString &title, const QString &directory,
                             const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &directory,
                             const QString &filter) = 0;
    virtual QString chooseDirectory(const QString &title, const QString &directory) = 0;
};

// Answers from a script, in order, and a record of everything shown. A question asked with no
// scripted answer left gets the negative answer (Cancel / No / empty), and is recorded, so a
// test sees it in shown().
class ScriptedPrompts final : public Prompts
{
public:
    // Answers for the questions to come, in the order they will be asked.
    void answer(bool yes) { m_answers.append(yes ? QStringLiteral("1") : QString()); }
    void answerText(const QString &text) { m_answers.append(text); }

    // "information: text", "warning: text", "okcancel: text", "warnokcancel: text",
    // "yesno: text", "text: text", "open: title", "save: title", "directory: title", in the
    // order shown.
    const QStringList &shown() const { return m_shown; }
    void clear() { m_shown.clear(); }

    void information(const QString &text, const QString &title = {}) override;
    void warning(const QString &text, const QString &title = {}) override;
    bool confirmOkCancel(const QString &text, const QString &title = {}) override;
    bool warningOkCancel(const QString &text, const QString &title = {}) override;
    bool confirmYesNo(const QString &text, const QString &title = {}) override;
    bool askText(const QString &text, QString *value, const QString &title = {}) override;
    QString openFile(const QString &title, const QString &directory,
                     const QString &filter) override;
    QString saveFile(const QString &title, const QString &directory,
                     const QString &filter) override;
    QString chooseDirectory(const QString &title, const QString &directory) override;

private:
    QString next();

    QStringList m_answers;
    QStringList m_shown;
};

} // namespace core
