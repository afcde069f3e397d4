// The precompiled headers of the libraries that use widgets: those of the
// others and the widgets most files include.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>

#include "precompiled.h"
