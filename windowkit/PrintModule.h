#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;
class QWidget;

// What the printing module exports: one function showing the print dialog
// and printing. It answers 0 when the dialog was closed, 1 once printed, 2
// when the printer failed.
namespace PrintModule {
inline constexpr char name[] = "print";
inline constexpr char symbol[] = "dpc_print";
using Function = int (*)(QWidget* parent, const QString& documentName, const QString& dialogName,
                         const std::function<void(QPagedPaintDevice*)>& paint);
} // namespace PrintModule
