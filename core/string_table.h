#pragma once
// The program's string table: the English source text of each string id.
// The window layer translates it like every other text.

// nullptr when the table holds no such id.
const char* string_table_text(int string_id);
