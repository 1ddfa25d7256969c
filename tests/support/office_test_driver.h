#pragma once
// The office the end-to-end tests of office sharing run with, on the sharer
// (this process) and the viewers (peer programs) alike. The scripted fake
// by default; TAMBLO_TEST_OFFICE_DRIVER names another: "uno" is LibreOffice
// itself (documents it writes as .ppt, .doc, .xls), so that the same tests
// drive it.
//
// The tests move the sharer's document only through the OfficeDriver
// interface (goto slide, scroll, activate sheet or chart) and read the
// viewers' documents through it too; what differs per office is here.

#include "sharing/office_driver.h"
#include "sharing/office_share.h"

#include <functional>
#include <string>

struct OfficeTestDriver {
    OfficeDriverFactory factory;
    // Writes a document of the kind at path: slides presentation slides
    // (with a show), sheets spreadsheet sheets each with a chart, or a text
    // long enough to scroll.
    std::function<void(OfficeKind kind, const std::string& path, int slides, int sheets)> make_document;
    // The sharer's user closes the application.
    std::function<void(OfficeDriver& driver)> close_application;
    // Its windows need an X server: the tests start one of their own.
    bool needs_display = false;
};

// The one TAMBLO_TEST_OFFICE_DRIVER names ("fake" when unset); throws for
// an unknown name.
const OfficeTestDriver& office_test_driver();

// One line a viewer writes of each kind's document as its driver reads it:
// "presentation started=1 document=1 file=5973_deck.ppt show=1 slide=4",
// "text ... scroll=54321", "sheet ... sheet=2 chart=0 column=12 row=40000".
// Office calls that fail leave the values out.
std::string office_state_line(OfficeShare& share);
