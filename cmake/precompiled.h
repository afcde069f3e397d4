// The standard and Qt headers most files include, compiled once for all the
// program's libraries instead of once per file; no widgets, which the
// layers below the window never use.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
