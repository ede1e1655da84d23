#pragma once

#include <xlsxwriter.h>

// libxlsxwriter, loaded the first time a spreadsheet is written rather than
// with the program: it brings the TLS library's crypto part with it, which the
// first window has no use for. The calls are the library's own, reached
// through the pointers below.
//
//     const XlsxLibrary* lib = XlsxLibrary::instance();
//     if (!lib) ...; // not installed: no spreadsheet can be written
//     lxw_workbook* book = lib->workbook_new_opt(path, &options);
struct XlsxLibrary
{
    decltype(&::workbook_new_opt) workbook_new_opt;
    decltype(&::workbook_add_format) workbook_add_format;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet;
    decltype(&::workbook_close) workbook_close;
    decltype(&::format_set_bold) format_set_bold;
    decltype(&::format_set_num_format) format_set_num_format;
    decltype(&::worksheet_write_string) worksheet_write_string;
    decltype(&::worksheet_write_number) worksheet_write_number;
    decltype(&::worksheet_set_column) worksheet_set_column;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
    decltype(&::worksheet_autofilter) worksheet_autofilter;

    // The loaded library, or null when it cannot be loaded or lacks a call.
    // Loaded once; later calls return the same answer.
    static const XlsxLibrary* instance();
};
