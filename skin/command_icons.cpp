#include "skin/command_icons.h"

#include <algorithm>
#include <array>

namespace {

// Our painted glyphs: 0 circle, 1 square, 2 triangle, 3 rounded square, 4 plus,
// 5 right arrow, 6 left arrow, 7 speaker, 8 microphone, 9 speech bubble,
// 10 person, 11 link, 12 star, 13 check, 14 cross, 15 door; 16 + n solid.
constexpr int solid = 16;

constexpr std::array g_command_icons = {
    // talk bar, status buttons
    CommandIcon { 32834, "audio-input-microphone", 8 },  // Take over microphone
    CommandIcon { 32890, "camera-web", solid + 0 },       // Show me / Show video
    CommandIcon { 32785, "call-start", 7 },               // Start(Stop) meeting room talk
    CommandIcon { 32805, "audio-volume-high", 7 },        // Volume control
    CommandIcon { 32786, "dialog-messages", 9 },          // Text chat
    CommandIcon { 32903, "hand", 10 },                    // Raise hand
    CommandIcon { 32946, "speedometer", 12 },             // Net speed test
    // connection and session
    CommandIcon { 32810, "network-connect", 11 },         // Connect to server
    CommandIcon { 32812, "view-refresh", 5 },             // Reconnect
    CommandIcon { 32811, "network-disconnect", 14 },      // Disconnect
    CommandIcon { 32808, "im-user-online", 10 },          // Login
    CommandIcon { 32809, "system-log-out", 15 },          // Logout
    CommandIcon { 32806, "system-users", solid + 10 },    // Join meeting room
    CommandIcon { 32807, "system-users", solid + 10 },
    CommandIcon { 32820, "user-away", solid + 15 },       // Rest room
    CommandIcon { 32817, "media-playback-start", solid + 5 }, // Start meeting
    CommandIcon { 32818, "media-playback-stop", solid + 1 },  // Stop meeting
    // full-screen tool bar and whiteboard tools
    CommandIcon { 32935, "window-close", 14 },            // Close
    CommandIcon { 32936, "gnumeric-object-scrollbar", 3 }, // Show scroll
    CommandIcon { 32776, "edit-select", 2 },              // Pointer
    CommandIcon { 32774, "draw-eraser", solid + 3 },      // Use eraser
    CommandIcon { 32775, "edit-line-width", 4 },          // Set eraser width
    CommandIcon { 32771, "format-stroke-color", solid + 12 }, // Choose pen colour
    CommandIcon { 32773, "draw-freehand", 13 },           // Use pen
    CommandIcon { 32772, "edit-line-width", 4 },          // Set pen width
    CommandIcon { 32777, "draw-text", 9 },                // Use text
    CommandIcon { 32778, "preferences-desktop-font", solid + 9 }, // Choose font
    CommandIcon { 32787, "draw-line", 14 },               // Draw line
    // The theme's shape pictures are half filled, so a void and a solid shape
    // would read alike: both of each pair are our own outline and fill.
    CommandIcon { 32788, nullptr, 1 },                    // Void rect
    CommandIcon { 32789, nullptr, solid + 1 },            // Solid rect
    CommandIcon { 32790, nullptr, 0 },                    // Void circle
    CommandIcon { 32791, nullptr, solid + 0 },            // Solid circle
    CommandIcon { 32796, nullptr, 3 },                    // Void round rect
    CommandIcon { 32797, nullptr, solid + 3 },            // Solid round rect
    CommandIcon { 32800, "edit-undo", 6 },                // Undo
    CommandIcon { 32801, "edit-redo", 5 },                // Redo
    CommandIcon { 32802, "view-refresh", 5 },             // Reload board content
    CommandIcon { 32804, "edit-clear-all", 14 },          // Clear board
    // recording and playback
    CommandIcon { 32923, "media-record", solid + 0 },     // Start recording
    CommandIcon { 32928, "media-playback-pause", solid + 4 }, // Pause recording
    CommandIcon { 32927, "media-playback-stop", solid + 1 },  // Stop recording
    CommandIcon { 32924, "media-playback-start", solid + 5 }, // Play meeting record
    CommandIcon { 32925, "media-playback-pause", solid + 4 }, // Pause playing
    CommandIcon { 32926, "media-playback-stop", solid + 1 },  // Stop playing
};

} // namespace

std::span<const CommandIcon> command_icons() { return g_command_icons; }

const CommandIcon* command_icon(int command_id)
{
    auto it = std::find_if(g_command_icons.begin(), g_command_icons.end(),
                           [command_id](const CommandIcon& icon) { return icon.command_id == command_id; });
    return it == g_command_icons.end() ? nullptr : &*it;
}

int full_screen_strip_slot_count(int set) { return set == 0 ? 32 : set == 1 ? 2 : 0; }

StripSlot full_screen_strip_slot(int set, int image)
{
    if (set == 1) {
        static constexpr std::array<StripSlot, 2> close_and_scroll = { { { 32935, 0 }, { 32936, 0 } } };
        return image >= 0 && image < 2 ? close_and_scroll[static_cast<size_t>(image)] : StripSlot {};
    }
    if (set != 0)
        return {};
    // Images 0-14 the tools and their settings, 23-25 and 27 the page commands.
    static constexpr std::array<StripSlot, 32> drawing = { {
        { 32776, 0 }, { 32774, 0 }, { 32775, 32774 }, { 32771, 0 }, { 32773, 0 }, { 32772, 0 }, { 32777, 0 },
        { 32778, 0 }, { 32787, 0 }, { 32788, 0 }, { 32789, 0 }, { 32790, 0 }, { 32791, 0 }, { 32796, 0 },
        { 32797, 0 }, {}, {}, {}, {}, {}, {}, {}, {}, { 32800, 0 }, { 32801, 0 }, { 32802, 0 }, {}, { 32804, 0 },
    } };
    return image >= 0 && image < 32 ? drawing[static_cast<size_t>(image)] : StripSlot {};
}
