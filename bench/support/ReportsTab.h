#pragma once

#include "AppContext.h"
#include "ReportsPage.h"
#include "SilentBoxes.h"

// The REPORTS tab on its own, shown, for province PA and the given year,
// talking to a loopback server whose certificate the test CA signed.
struct ReportsTab
{
    ReportsTab(quint16 port, const QString& stagingFolder, int year);

    SilentBoxes boxes;
    AppContext context;
    ReportsPage page;
};
