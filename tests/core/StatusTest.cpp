#include "core/Status.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace core;

namespace {

// The shape every long operation has: a text, rising percentages, an empty text at the end.
void countRecords(StatusSink &status, int records)
{
    ShowStatus(status, QStringLiteral("Counting"));
    for (int i = 1; i <= records; ++i)
        ShowProgress(status, i * 100 / records);
    ShowStatus(status, QString());
}

} // namespace

TEST(StatusTest, RecordsEveryCallInOrder)
{
    RecordingStatus status;
    countRecords(status, 4);
    EXPECT_EQ(status.log(), QStringList({"status:Counting", "progress:25", "progress:50",
                                         "progress:75", "progress:100", "status:"}));
    EXPECT_EQ(status.percentages(), QList<int>({25, 50, 75, 100}));
    EXPECT_EQ(status.events().size(), 6);
    EXPECT_EQ(status.events().front(),
              (RecordingStatus::Event{RecordingStatus::Event::Kind::Status, "Counting", 0}));
}

TEST(StatusTest, StatusTextClearsTheProgress)
{
    RecordingStatus status;
    ShowStatus(status, "Packing");
    ShowProgress(status, 30);
    EXPECT_EQ(status.text(), "Packing");
    EXPECT_EQ(status.percent(), 30);
    ShowStatus(status, "Done");
    EXPECT_EQ(status.text(), "Done");
    EXPECT_EQ(status.percent(), 0);

    status.clear();
    EXPECT_TRUE(status.events().isEmpty());
    EXPECT_EQ(status.text(), "");
}

TEST(StatusTest, ProgressIsClampedToTheBar)
{
    RecordingStatus status;
    ShowProgress(status, -5);
    ShowProgress(status, 0);
    ShowProgress(status, 150);
    EXPECT_EQ(status.percentages(), QList<int>({0, 0, 100}));
}
