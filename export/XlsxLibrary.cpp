#include "XlsxLibrary.h"

#include <QLibrary>

namespace {

template <typename Function> bool resolve(QLibrary& library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

const XlsxLibrary* load()
{
    // The soname the program was built against; never unloaded, as the
    // pointers stay in use until the program ends.
    static QLibrary library(QStringLiteral("xlsxwriter"), 4);
    if (!library.load())
        return nullptr;
    static XlsxLibrary calls;
    const bool complete =
        resolve(library, calls.workbook_new_opt, "workbook_new_opt") &&
        resolve(library, calls.workbook_add_format, "workbook_add_format") &&
        resolve(library, calls.workbook_add_worksheet, "workbook_add_worksheet") &&
        resolve(library, calls.workbook_close, "workbook_close") &&
        resolve(library, calls.format_set_bold, "format_set_bold") &&
        resolve(library, calls.format_set_num_format, "format_set_num_format") &&
        resolve(library, calls.worksheet_write_string, "worksheet_write_string") &&
        resolve(library, calls.worksheet_write_number, "worksheet_write_number") &&
        resolve(library, calls.worksheet_set_column, "worksheet_set_column") &&
        resolve(library, calls.worksheet_freeze_panes, "worksheet_freeze_panes") &&
        resolve(library, calls.worksheet_autofilter, "worksheet_autofilter");
    return complete ? &calls : nullptr;
}

} // namespace

const XlsxLibrary* XlsxLibrary::instance()
{
    static const XlsxLibrary* const loaded = load();
    return loaded;
}
