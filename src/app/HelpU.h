#pragma once

#include <QDialog>

class QTextBrowser;

// The help window: the program's help pages (compiled in from docs/help), opened at their
// contents or at a topic number.
class THelp final : public QDialog
{
    Q_OBJECT
public:
    explicit THelp(QWidget *parent = nullptr);

    void showContents();
    // Topic pages are named topic-N.html; an unknown topic opens the contents.
    void showTopic(int topic);
    QUrl currentPage() const;

    static QUrl contentsUrl();
    static QUrl topicUrl(int topic);

private:
    void open(const QUrl &url);

    QTextBrowser *m_browser;
};
