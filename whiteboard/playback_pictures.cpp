#include "whiteboard/playback_pictures.h"

#include "core/folders.h"
#include "core/text_util.h"
#include "platform/sys/paths.h"

void PlaybackPictures::clear()
{
    std::lock_guard<std::mutex> hold(table_lock_);
    for (Slot& s : slots_)
        s = Slot {};
}

int PlaybackPictures::add(std::string_view name)
{
    std::string cut = cut_copy(name, playback_picture_name_limit);
    std::lock_guard<std::mutex> hold(table_lock_);
    int free_slot = -1;
    for (int i = 0; i < playback_picture_count; ++i) {
        const Slot& s = slots_[static_cast<size_t>(i)];
        if (s.in_use && s.name == cut)
            return i;
        if (!s.in_use && free_slot < 0)
            free_slot = i;
    }
    if (free_slot >= 0) {
        slots_[static_cast<size_t>(free_slot)].in_use = true;
        slots_[static_cast<size_t>(free_slot)].name = cut;
    }
    return free_slot;
}

int PlaybackPictures::find(std::string_view name) const
{
    std::string cut = cut_copy(name, playback_picture_name_limit);
    std::lock_guard<std::mutex> hold(table_lock_);
    for (int i = 0; i < playback_picture_count; ++i) {
        const Slot& s = slots_[static_cast<size_t>(i)];
        if (s.in_use && s.name == cut)
            return i;
    }
    return -1;
}

int PlaybackPictures::count() const
{
    std::lock_guard<std::mutex> hold(table_lock_);
    int n = 0;
    for (const Slot& s : slots_)
        n += s.in_use ? 1 : 0;
    return n;
}

std::vector<std::pair<int, std::string>> PlaybackPictures::used() const
{
    std::lock_guard<std::mutex> hold(table_lock_);
    std::vector<std::pair<int, std::string>> out;
    for (int i = 0; i < playback_picture_count; ++i)
        if (slots_[static_cast<size_t>(i)].in_use)
            out.emplace_back(i, slots_[static_cast<size_t>(i)].name);
    return out;
}

PlaybackPictures& playback_pictures()
{
    // Never destroyed: the playback thread may still hold a slot's lock while the process ends.
    static auto* pictures = new PlaybackPictures;
    return *pictures;
}

std::string playback_picture_folder()
{
    std::string user;
    if (get_user_folder(user) != 0)
        return {};
    std::string folder = user + "play_back/";
    return platform::make_folders(folder) ? folder : std::string {};
}
