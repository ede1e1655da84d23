#pragma once

#include <QtGlobal>

#include <functional>

// Told how many records a long write has done; false asks it to stop. Writers
// call it every few records, so that a window can keep itself painted.
using Progress = std::function<bool(qsizetype done)>;
