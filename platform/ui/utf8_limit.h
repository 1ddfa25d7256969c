#pragma once
// Fields that the program stores in fixed byte buffers: the edit takes no
// more text than its UTF-8 bytes fit, so what the user sees is what is kept
// (Chinese takes three bytes a character, and a silent cut would lose them).

class QLineEdit;

void limit_utf8_bytes(QLineEdit* edit, int limit_bytes);
