#include "sharing/office_recording.h"

#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "platform/sys/paths.h"
#include "sharing/file_share.h"

#include <sys/stat.h>

#include <array>
#include <cstdint>

namespace {

constexpr size_t document_name_field = 128;

struct DocumentSubHead {
    std::array<char, document_name_field> name {};
    uint32_t compressed_size = 0;
};
static_assert(sizeof(DocumentSubHead) == 132);

int record_document(uint32_t type, const char* writer, const char* short_copy_line, const char* file_path)
{
    if (!file_path) {
        dbg_log("%s file_path is NULL.\n", writer);
        return -1;
    }
    if (!recorder().recording())
        return 0;
    std::string bare = share_bare_name(file_path);
    std::string user;
    if (bare.empty() || get_user_folder(user) != 0 || !platform::make_folders(user + "share/"))
        return -1;
    std::string z_path = user + "share/" + bare + ".z";
    if (z_compress_file(file_path, z_path) != 0)
        return -1;
    struct stat st {};
    uint32_t file_size = ::stat(z_path.c_str(), &st) == 0 ? static_cast<uint32_t>(st.st_size) : 0;
    DocumentSubHead sub;
    copy_to_field(sub.name, bare, document_name_field - 1);
    sub.compressed_size = file_size;
    long copied = 0;
    int rc = recorder().append_file(type, &sub, sizeof sub, z_path, file_size, writer, &copied);
    if (copied >= 0 && copied != static_cast<long>(file_size)) {
        dbg_log(short_copy_line, static_cast<int>(file_size), static_cast<int>(copied));
        return -1;
    }
    return rc;
}

int record_event(uint32_t type, const char* writer, int32_t event, int32_t v1 = 0, int32_t v2 = 0, int32_t v3 = 0)
{
    std::array<int32_t, 6> body { event, v1, v2, v3, 0, 0 };
    return recorder().append(type, { { body.data(), sizeof body } }, writer);
}

} // namespace

int record_word_share_doc(const char* file_path)
{
    return record_document(record_type_word_doc, "record_word_share_doc",
                           "record_word_share_doc write file failed, file_size:%d, write_len:%d\n", file_path);
}

int record_excel_share_doc(const char* file_path)
{
    return record_document(record_type_excel_doc, "record_excel_share_doc",
                           "record_excel_share_doc write file failed, file_size:%d, write_len:%d\n", file_path);
}

int record_ppt_share_doc(const char* file_path)
{
    return record_document(record_type_ppt_doc, "record_ppt_share_doc",
                           "record_pptshare_doc write file failed, file_size:%d, write_len:%d\n", file_path);
}

int record_word_event_1(int position) { return record_event(record_type_word_event, "record_word_event_1", 1, position); }
int record_word_event_2() { return record_event(record_type_word_event, "record_word_event_2", 2); }

int record_excel_event_1(int sheet, int column, int row)
{
    return record_event(record_type_excel_event, "record_excel_event_1", 1, sheet, column, row);
}
int record_excel_event_2(int chart) { return record_event(record_type_excel_event, "record_excel_event_2", 2, chart); }
int record_excel_event_3() { return record_event(record_type_excel_event, "record_excel_event_3", 3); }

int record_ppt_event_1(int slide, int mode) { return record_event(record_type_ppt_event, "record_ppt_event_1", 1, slide, mode); }
int record_ppt_event_2() { return record_event(record_type_ppt_event, "record_ppt_event_2", 2); }
