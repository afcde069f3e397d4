// What the tests and benchmarks add to the program's precompiled headers.
#pragma once

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include "precompiled_widgets.h"
