#include "LabelDefU.h"

#include "core/Prompts.h"
#include "data/DataStore.h"
#include "masters/EnterMovesFocus.h"
#include "masters/MoneyBox.h"
#include "masters/RecordOps.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

using data::TableId;

TLabelDef::TLabelDef(masters::EditorContext &context, QWidget *parent)
    : RecordEditor(context, QStringLiteral("Label Definition"), 610, parent)
{
    setObjectName(QStringLiteral("TLabelDef"));
    deleteButton()->hide();
    auto *form = new QFormLayout;
    body()->addLayout(form);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Name"));
    m_name->setMaxLength(40);
    form->addRow(QStringLiteral("Label Name"), m_name);
    const char *names[] = {"TopM", "LeftM", "BottomM", "RightM", "Width", "Height", "HGap", "VGap"};
    const char *captions[] = {"Top Margin", "Left Margin", "Bottom Margin",  "Right Margin",
                              "Width",      "Height",      "Horizontal Gap", "Vertical Gap"};
    for (size_t i = 0; i < m_measures.size(); ++i) {
        auto *box = new MoneyBox(masters::kMeasure, m_store.locale, m_store.prompts(), this);
        box->setObjectName(QLatin1String(names[i]));
        box->setColoured(false);
        m_measures[i] = box;
        form->addRow(QLatin1String(captions[i]), box);
    }
    m_across = new QLineEdit(this);
    m_across->setObjectName(QStringLiteral("NAcross"));
    m_across->setMaxLength(1);
    m_across->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]?")), m_across));
    form->addRow(QStringLiteral("No. Labels Across"), m_across);
    m_continuous = new QCheckBox(QStringLiteral("Continuous Pin Feed"), this);
    m_continuous->setObjectName(QStringLiteral("Continuous"));
    form->addRow(QString(), m_continuous);
    auto *note = new QLabel(QStringLiteral("Label Dimensions are defined in printer points where "
                                           "each printer point is 1/72 of an inch."),
                            this);
    note->setWordWrap(true);
    body()->addWidget(note);
    EnterMovesFocus::install(this, {m_name, m_measures[0], m_measures[1], m_measures[2],
                                    m_measures[3], m_measures[4], m_measures[5], m_measures[6],
                                    m_measures[7], m_across});
}

void TLabelDef::open()
{
    int &selection = m_store.selection.label;
    data::LabelBuffer &l = m_store.label;
    if (selection > 0 && masters::GoRecord(m_store, TableId::LABELS, selection)) {
        m_store.LoadLABELS();
    } else {
        l = data::LabelBuffer{};
        l.NAcross = 1;
        selection = 0;
    }
    m_name->setText(l.Name.trimmed());
    for (size_t i = 0; i < m_measures.size(); ++i) {
        m_measures[i]->buildMask();
        m_measures[i]->setValue(l.measures[i]);
    }
    m_across->setText(QString::number(l.NAcross));
    m_continuous->setChecked(l.Continuous);
    m_name->setFocus();
}

bool TLabelDef::BtnSaveClick()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        m_store.prompts().information(QStringLiteral("Please fill in label name."));
        return false;
    }
    if (!textsStorable({{QStringLiteral("Label Name"), name}}))
        return false;
    std::array<double, 8> measures{};
    for (size_t i = 0; i < m_measures.size(); ++i) {
        const std::optional<double> v = m_measures[i]->value();
        if (!v)
            return false;
        measures[i] = *v;
    }
    bool acrossOk = false;
    const int across = m_across->text().trimmed().toInt(&acrossOk);
    if (!acrossOk) {
        m_store.prompts().warning(masters::NotAnIntegerMessage(m_across->text()));
        return false;
    }
    if (!masters::GoOrAppend(m_store, TableId::LABELS, m_store.selection.label,
                             QStringLiteral("Unable to Append record . . Please try again.")))
        return false;
    data::LabelBuffer &l = m_store.label;
    l.Name = name;
    l.measures = measures;
    l.NAcross = across;
    l.Continuous = m_continuous->isChecked();
    m_store.StoreLABELS();
    return true;
}
