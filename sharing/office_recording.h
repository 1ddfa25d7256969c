#pragma once
// Shared office documents in the meeting recording: the document itself
// (12 text, 13 spreadsheet, 14 presentation: a 132-byte sub-head with the
// name and the compressed size, then the gzip-compressed file) and the
// events that follow it (15, 16, 17: 24 bytes, the event and its values).
// 0 when written or not recording, -1 on a refused argument, a document
// that cannot be read or a short copy.

// The compressed copy is made in the working folder ("share/<name>.z"),
// never beside the user's own file.
int record_word_share_doc(const char* file_path);
int record_excel_share_doc(const char* file_path);
int record_ppt_share_doc(const char* file_path);

// 15: 1 a scroll position, 2 the close.
int record_word_event_1(int position);
int record_word_event_2();
// 16: 1 sheet, scroll column and row; 2 a chart; 3 the close.
int record_excel_event_1(int sheet, int column, int row);
int record_excel_event_2(int chart);
int record_excel_event_3();
// 17: 1 slide and show mode; 2 the close.
int record_ppt_event_1(int slide, int mode);
int record_ppt_event_2();
