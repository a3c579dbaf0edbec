#pragma once

#include <QtTest/QTest>

// QUILL_MISSING_TOOL(message): the test cannot run because a tool it needs is
// not installed. A developer's run skips it with the message; under CI=true
// (CI, a package build in CI) it fails, so that CI never passes by running
// less than the suite holds. The message names what installs the tool.
#define QUILL_MISSING_TOOL(message)                                         \
    do {                                                                    \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))            \
            QFAIL(qPrintable(QStringLiteral("missing (CI=true): ") + QString(message))); \
        QSKIP(qPrintable(QString(message)));                                \
    } while (false)
