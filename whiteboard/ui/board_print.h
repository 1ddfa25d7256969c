#pragma once
// Printing a page: one board pixel becomes scale printer pixels, the page's
// top left at the printer's (0, 0).

#include <QPrinter>

class QWidget;

// Paints page board onto printer at scale (1-50). 0, or -1 when the printer
// cannot be painted on.
int board_print_page(int board, QPrinter& printer, int scale);

// The print commands: the scale dialog first (nothing is printed unless it
// ends with OK), then the print dialog, the default printer or a preview.
enum class BoardPrintMode { dialog, direct, preview };
int board_print_with_dialogs(int board, BoardPrintMode mode, QWidget* parent);
