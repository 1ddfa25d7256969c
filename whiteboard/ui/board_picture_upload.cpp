#include "whiteboard/ui/board_picture_upload.h"

#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/ui/board_pictures.h"

void install_board_picture_upload()
{
    set_board_picture_uploader([](int board, int slot, const std::string&) {
        const BoardPendingUpload& at = g_board_pending_upload;
        bmp_set_upload_position({ at.board, at.slot, at.x, at.y });
        int rc = bmp_upload_one_file(board, slot);
        // From here on the transfer's busy flag tells whether it still runs.
        board_picture_upload_done();
        return rc;
    });
}
