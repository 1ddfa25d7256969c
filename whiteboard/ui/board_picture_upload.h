#pragma once
// Pasted pictures travel: the paste's upload is the picture transfer's
// bmp_upload_one_file, with the paste's place as the upload's pending one.
void install_board_picture_upload();
