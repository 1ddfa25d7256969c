#include "whiteboard/ui/board_print.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/gdi_painter.h"
#include "skin/ui/good_dlg.h"
#include "whiteboard/board_action.h"
#include "whiteboard/board_tool_values.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/print_scale_dlg.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>

#include <algorithm>

int board_print_page(int board, QPrinter& printer, int scale)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        dbg_log("board_print_page: the printer cannot be painted on.\n");
        return -1;
    }
    scale = std::clamp(scale, print_scale_min, print_scale_max);
    // The page is painted at its own resolution, scaled, so lines stay the
    // board's pixels and texts stay texts.
    painter.scale(scale, scale);
    painter.setClipRect(0, 0, board_page_width, board_page_height);
    int rc = 0;
    {
        GdiPainter dc(painter);
        rc = board_paint(board, dc);
    }
    painter.end();
    return rc;
}

int board_print_with_dialogs(int board, BoardPrintMode mode, QWidget* parent)
{
    CDlgPrintScale scale_dlg(parent);
    if (scale_dlg.exec() != IDOK)
        return -1;
    QPrinter printer(QPrinter::HighResolution);
    switch (mode) {
    case BoardPrintMode::dialog: {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return -1;
        return board_print_page(board, printer, g_print_scale);
    }
    case BoardPrintMode::direct: return board_print_page(board, printer, g_print_scale);
    case BoardPrintMode::preview: {
        QPrintPreviewDialog preview(&printer, parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [board](QPrinter* p) { board_print_page(board, *p, g_print_scale); });
        return preview.exec() == QDialog::Accepted ? 0 : -1;
    }
    }
    return -1;
}
