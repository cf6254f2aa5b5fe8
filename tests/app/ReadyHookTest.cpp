// The real program, started as the start-up benchmark starts it: with QUILLORY_QUIT_WHEN_READY
// set it says "ready" once start-up has finished and then ends normally, having done start-up's
// work (the missing indexes of the supplied tables rebuilt).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ReadyHookTest : public QObject
{
    Q_OBJECT

private slots:
    void saysReadyAfterStartUpAndEnds()
    {
        QTemporaryDir dir;
        const QDir supplied(QStringLiteral(QUILLORY_SUPPLIED_DATA));
        for (const QString &name : supplied.entryList(QDir::Files))
            QVERIFY(QFile::copy(supplied.filePath(name), dir.filePath(name)));

        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLORY_QUIT_WHEN_READY"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(QUILLORY_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            QFAIL("the program did not end within a minute");
        }
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("ready\n"));
        for (const char *index : {"CName.ntx", "CUST6.cgp", "Labels.ntx", "LABELS.cgp"})
            QVERIFY2(QFile::exists(dir.filePath(QLatin1String(index))), index);
    }
};

QTEST_GUILESS_MAIN(ReadyHookTest)
#include "ReadyHookTest.moc"
