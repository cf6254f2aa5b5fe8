#pragma once

#include <QDialog>

class QPushButton;

// The about box: a picture over the whole box and an OK button. Shown modally by "About QLRI",
// and as the splash screen at start-up, without its OK button.
class TAboutForm final : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

    void setVersionText(const QString &version);
    // While the program starts the box is a splash: no OK button, not modal.
    void setStartup(bool startup);
    bool isStartup() const { return m_startup; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *m_ok;
    bool m_startup = false;
    QString m_version;
};
