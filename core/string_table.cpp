#include "core/string_table.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

struct StringEntry {
    int id;
    const char* text;
};

// Sorted by id.
constexpr StringEntry g_strings[] = {
    { 33052, "Paste Clipboard Bitmap" },
    { 33054, "Paste Video" },
    { 33067, "Create Invite URL" },
    { 33070, "Save Whiteboard as..." },
    { 33071, "Save Whiteboard as Picture..." },
    { 33891, "File Name" },
    { 33894, "\\" },  // reads "\ch\" in Chinese: the invitation link's page
    { 33897, "Please enter an integer between 1 and 100." },
    { 33917, "Please enter an integer between 1 and 50." },
    { 33918, "Please select an application." },
    { 33919, "Please select only one application." },
    { 33920, "Share app denied, an application already in share.\nStop sharing that application before go on." },
    { 33921, "Remote control allowed." },
    { 33922, "Remote control denied.\nEither because remote control is not allow, or someone else is controling now." },
    { 33923, "Please enter valid number." },
    { 33924, "Please enter a number between 1-50." },
    { 33925, "Are you sure to delete this bitmap? This action can not be undo." },
    { 33937, "You have to login to upload files." },
    { 33938, "You have to enter a meeting room to upload files." },
    { 33939, "Filename should not be blank, click browse to choose." },
    { 33940, "Please select a file to download." },
    { 33941, "Please select a file to delete." },
    { 33945, "Do you allow others to control your desktop?" },
    { 33946, "Share desktop denied.\nAnother desktop or application already in share." },
    { 33991, "Our current file upload size limit is 20Mbytes.\nYour file size is:%d" },
    { 33994, "Share desktop approved." },
    { 34021, "File Size" },
    { 34025, "WhiteBoard" },
    { 34026, "Share" },
    { 34027, "Video" },
    { 34028, "PlayBack" },
    { 34037, "/" },  // reads "/ch/" in Chinese: the tell-a-friend form of that language
    { 34044, "Result: success send:%d, failed send:%d, total time used:%d millisecond.\n Network speed is:%d byte/s" },
    { 34049, "Only presenter can do this in Chairman control mode." },
    { 34054, "%s is sharing PowerPoint:\n%s." },
    { 34055, "%s is sharing Word:\n%s" },
    { 34056, "%s is sharing Excel:\n%s." },
    { 34057, "Please select a clipboard file to download.(ended with .nclp.z)" },
    { 34058, "Clipboard content updated successfully." },
    { 34059, "a meeting room member is sharing clipboard, do you want to download?" },
    { 34061, "Default Blue" },
    { 34062, "Orange" },
    { 34063, "Green" },
    { 34064, "Gray" },
    { 34065, "Pink" },
    { 34066, "Purple" },
    { 34067, "Red" },
};

} // namespace

const char* string_table_text(int string_id)
{
    auto it = std::lower_bound(std::begin(g_strings), std::end(g_strings), string_id,
                               [](const StringEntry& e, int id) { return e.id < id; });
    return it != std::end(g_strings) && it->id == string_id ? it->text : nullptr;
}
