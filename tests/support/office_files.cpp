#include "tests/support/office_files.h"

#include "platform/sys/child_program.h"
#include "sharing/office_uno_link.h"
#include "tests/support/flat_odf.h"
#include "tests/support/wait_until.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

using namespace com::sun::star;
using com::sun::star::uno::Any;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY_THROW;

namespace {

constexpr int office_wait_ms = 60000;

beans::PropertyValue property(const char* name, const Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

struct Format {
    const char* flat_extension;
    const char* filter;
};

Format format_of(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::presentation:
        return { ".fodp", "MS PowerPoint 97" };
    case OfficeKind::text:
        return { ".fodt", "MS Word 97" };
    case OfficeKind::sheet:
        break;
    }
    return { ".fods", "MS Excel 97" };
}

// Each sheet charts its own two columns; a viewer's office shows them as charts again.
void add_charts(const Reference<lang::XComponent>& document)
{
    Reference<container::XIndexAccess> sheets(Reference<sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(),
                                              UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
        Reference<table::XTableChartsSupplier> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
        table::CellRangeAddress data(sal_Int16(i), 0, 0, 1, 3);
        sheet->getCharts()->addNewByName(office_uno::to_ou("Chart" + std::to_string(i + 1)), awt::Rectangle(1000, 1000, 8000, 6000),
                                         Sequence<table::CellRangeAddress>(&data, 1), false, false);
    }
}

void convert(OfficeKind kind, const office_uno::Bridge& office, const std::string& flat, const std::string& path)
{
    Reference<frame::XComponentLoader> loader(office.desktop(), UNO_QUERY_THROW);
    const beans::PropertyValue hidden[] = { property("Hidden", Any(true)) };
    Reference<lang::XComponent> document =
        loader->loadComponentFromURL(office_uno::file_url(flat), "_blank", 0, Sequence<beans::PropertyValue>(hidden, 1));
    if (!document.is())
        throw std::runtime_error("the office did not load " + flat);
    if (kind == OfficeKind::sheet)
        add_charts(document);
    const beans::PropertyValue filter[] = { property("FilterName", Any(rtl::OUString::createFromAscii(format_of(kind).filter))),
                                            property("Overwrite", Any(true)) };
    Reference<frame::XStorable>(document, UNO_QUERY_THROW)->storeToURL(office_uno::file_url(path),
                                                                        Sequence<beans::PropertyValue>(filter, 2));
    Reference<util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
}

} // namespace

void write_office_file(OfficeKind kind, const std::string& path, int count)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(path).parent_path().string();
    const std::string flat = path + format_of(kind).flat_extension;
    std::ofstream(flat) << (kind == OfficeKind::presentation ? flat_presentation(count)
                            : kind == OfficeKind::text       ? flat_text(count)
                                                             : flat_workbook(count));
    static int made = 0;
    const std::string pipe = "tamblo_test_writer_" + std::to_string(::getpid()) + "_" + std::to_string(++made);
    platform::ChildProgram soffice;
    if (!soffice.start({ office_uno::office_program_folder() + "/soffice",
                         "-env:UserInstallation=" + office_uno::from_ou(office_uno::file_url(folder + "/.writing-office")),
                         "--headless", "--invisible", "--norestore", "--nologo", "--nodefault", "--nolockcheck",
                         "--accept=pipe,name=" + pipe + ";urp;" }))
        throw std::runtime_error("LibreOffice could not be started");
    office_uno::Bridge office;
    // A new profile's office may drop the first connection while it settles.
    bool connected = wait_until(
        [&] {
            try {
                return office.connect(pipe);
            } catch (const OfficeCallFailed&) {
                return false;
            }
        },
        office_wait_ms);
    std::string failure;
    if (!connected) {
        failure = "LibreOffice never accepted on " + pipe;
    } else {
        try {
            convert(kind, office, flat, path);
        } catch (const uno::Exception& e) {
            failure = "LibreOffice could not write " + path + ": " + office_uno::from_ou(e.Message);
        }
        try {
            office.desktop()->terminate();
        } catch (const uno::RuntimeException&) {
            // The bridge went with the office.
        }
        office.dispose();
    }
    if (!soffice.wait_ended(office_wait_ms))
        soffice.stop(office_wait_ms);
    fs::remove(flat);
    if (!failure.empty())
        throw std::runtime_error(failure);
}
