#include "sharing/office_driver.h"

#include <utility>

std::vector<std::string> FakeOfficeDriver::take_calls() { return std::exchange(calls, {}); }

void FakeOfficeDriver::call(const std::string& name, const std::string& args)
{
    calls.push_back(args.empty() ? name : name + " " + args);
    if (failing.count(name))
        throw OfficeCallFailed(name + " failed");
    if (name != "start" && name != "gone" && !handle)
        throw OfficeCallFailed(name + " without an application");
}

int FakeOfficeDriver::start()
{
    calls.push_back("start");
    if (start_fails || failing.count("start"))
        return -1;
    handle = true;
    is_gone = false;
    good = true;
    return 0;
}

bool FakeOfficeDriver::is_good()
{
    call("is_good");
    return good && !is_gone;
}

bool FakeOfficeDriver::gone()
{
    call("gone");
    return is_gone;
}

bool FakeOfficeDriver::visible()
{
    call("visible");
    return is_visible;
}

void FakeOfficeDriver::set_visible()
{
    call("set_visible");
    is_visible = true;
}

OfficeWindowState FakeOfficeDriver::window_state()
{
    call("window_state");
    return state;
}

void FakeOfficeDriver::open(const std::string& path)
{
    call("open", path);
    if (open_fails)
        throw OfficeCallFailed("cannot load " + path);
    document = true;
    is_modified = false;
    opened_path = path;
}

bool FakeOfficeDriver::has_document()
{
    call("has_document");
    return document;
}

bool FakeOfficeDriver::modified()
{
    call("modified");
    return is_modified;
}

void FakeOfficeDriver::close_document()
{
    call("close_document");
    document = false;
    show_running = false;
}

void FakeOfficeDriver::quit()
{
    call("quit");
    if (!(document && is_modified))
        is_gone = true;
    handle = false;
}

int FakeOfficeDriver::slide_count()
{
    call("slide_count");
    return slides;
}

int FakeOfficeDriver::window_count()
{
    call("window_count");
    return windows;
}

bool FakeOfficeDriver::has_active_window()
{
    call("has_active_window");
    return active_window;
}

bool FakeOfficeDriver::has_view()
{
    call("has_view");
    return view;
}

int FakeOfficeDriver::view_slide_index()
{
    call("view_slide_index");
    return view_slide;
}

void FakeOfficeDriver::view_goto_slide(int index)
{
    call("view_goto_slide", std::to_string(index));
    view_slide = index;
}

bool FakeOfficeDriver::has_slide_show_window()
{
    call("has_slide_show_window");
    return show_running;
}

int FakeOfficeDriver::show_position()
{
    call("show_position");
    return show_pos;
}

int FakeOfficeDriver::show_slide_index()
{
    call("show_slide_index");
    return show_pos;
}

void FakeOfficeDriver::show_goto_slide(int index)
{
    call("show_goto_slide", std::to_string(index));
    show_pos = index;
}

void FakeOfficeDriver::show_exit()
{
    call("show_exit");
    show_running = false;
}

void FakeOfficeDriver::show_run()
{
    call("show_run");
    show_running = true;
    show_pos = view_slide;
}

int FakeOfficeDriver::scroll_position()
{
    call("scroll_position");
    return scroll;
}

void FakeOfficeDriver::set_scroll_position(int twips)
{
    call("set_scroll_position", std::to_string(twips));
    scroll = twips;
}

int FakeOfficeDriver::sheet_count()
{
    call("sheet_count");
    return sheets;
}

int FakeOfficeDriver::active_sheet_index()
{
    call("active_sheet_index");
    return active_sheet;
}

int FakeOfficeDriver::active_chart_index()
{
    call("active_chart_index");
    return active_chart;
}

void FakeOfficeDriver::activate_sheet(int index)
{
    call("activate_sheet", std::to_string(index));
    active_sheet = index;
    active_chart = 0;
}

void FakeOfficeDriver::activate_chart(int index)
{
    call("activate_chart", std::to_string(index));
    active_sheet = index;
    active_chart = index;
}

int FakeOfficeDriver::scroll_column()
{
    call("scroll_column");
    return column;
}

void FakeOfficeDriver::set_scroll_column(int value)
{
    call("set_scroll_column", std::to_string(value));
    column = value;
}

int FakeOfficeDriver::scroll_row()
{
    call("scroll_row");
    return row;
}

void FakeOfficeDriver::set_scroll_row(int value)
{
    call("set_scroll_row", std::to_string(value));
    row = value;
}
