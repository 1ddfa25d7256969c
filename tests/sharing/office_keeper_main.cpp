// A program that shares a text document and ends while its office holds
// unsaved changes, as the client does when the sharer quits with work in
// LibreOffice: its driver lives to the end of the process. Arguments: the
// document, the file that receives this process's id once the office was
// left running. Exit status 0 when every step went as expected.

#include "sharing/office_uno.h"
#include "sharing/office_uno_link.h"

#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace com::sun::star;

int main(int argc, char** argv)
{
    if (argc != 3)
        return 64;
    static std::unique_ptr<OfficeDriver> kept = make_uno_office_driver(OfficeKind::text);
    if (kept->start() != 0)
        return 2;
    kept->set_visible();
    kept->open(argv[1]);
    // The user types into the shared document.
    office_uno::Bridge user;
    for (int tries = 0;; ++tries) {
        try {
            if (user.connect(office_pipe_name(OfficeKind::text)))
                break;
        } catch (const OfficeCallFailed&) {
            // Dropped while the office settles: asked again.
        }
        if (tries > 200)
            return 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    uno::Reference<container::XEnumeration> each = user.desktop()->getComponents()->createEnumeration();
    uno::Reference<text::XTextDocument> doc(each->nextElement(), uno::UNO_QUERY_THROW);
    doc->getText()->setString("typed before the program ended");
    if (!kept->modified())
        return 4;
    kept->quit();
    std::ofstream(argv[2]) << ::getpid();
    return 0;
}
