#include "RecordEditor.h"

#include "RecordOps.h"
#include "core/Cp1252.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace masters {

RecordEditor::RecordEditor(EditorContext &context, const QString &title, int helpTopic,
                           QWidget *parent)
    : QDialog(parent), m_context(context), m_store(context.store), m_helpTopic(helpTopic)
{
    setWindowTitle(title);
    setModal(true);
    auto *outer = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    outer->addLayout(m_body);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto button = [&](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        // Enter in a box moves the focus; it must never press a button by default.
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    m_save = button("BtnSave", QStringLiteral("Save"));
    m_delete = button("BtnDelete", QStringLiteral("Delete"));
    m_cancel = button("BtnCancel", QStringLiteral("Cancel"));
    m_help = button("BtnHelp", QStringLiteral("Help"));
    outer->addLayout(buttons);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (BtnSaveClick())
            closeWith(Saved);
    });
    connect(m_delete, &QPushButton::clicked, this, [this] { BtnDeleteClick(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { closeWith(Cancelled); });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp(m_helpTopic);
    });
}

int RecordEditor::run()
{
    m_result = Cancelled;
    open();
    exec();
    return m_result;
}

void RecordEditor::closeWith(Result result)
{
    m_result = result;
    done(result);
}

bool RecordEditor::openOn(data::TableId table, int &selection)
{
    const bool existing = selection > 0 && GoRecord(m_store, table, selection);
    if (!existing)
        selection = -1;
    m_delete->setEnabled(existing);
    return existing;
}

void RecordEditor::reject() { closeWith(Cancelled); }

bool RecordEditor::textsStorable(
    std::initializer_list<std::pair<QString, QString>> captionAndText)
{
    for (const auto &[caption, text] : captionAndText) {
        const QChar bad = core::firstCharacterNotInCp1252(text);
        if (bad.isNull())
            continue;
        m_store.prompts().warning(QStringLiteral("The character \"%1\" in \"%2\" cannot be "
                                                 "stored. Please remove or replace it.")
                                      .arg(bad, caption));
        return false;
    }
    return true;
}

} // namespace masters
