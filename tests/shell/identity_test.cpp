#include "shell/AppIdentity.h"

#include <gtest/gtest.h>

TEST(Identity, VersionLabelAndWorkbookNameJoinTheNumbers) {
    EXPECT_EQ(VersionLabel().toStdString(), "Version 1.1.7a");
    EXPECT_EQ(WorkbookFileName().toStdString(), "Dravik-Lumo_V117a.tabb");
    // Joined without separators, so these two meet.
    EXPECT_EQ(WorkbookFileName(1, 11, 7).toStdString(), "Dravik-Lumo_V1117a.tabb");
    EXPECT_EQ(WorkbookFileName(11, 1, 7).toStdString(), "Dravik-Lumo_V1117a.tabb");
    EXPECT_EQ(VersionLabel(10, 0, 3).toStdString(), "Version 10.0.3a");
}
