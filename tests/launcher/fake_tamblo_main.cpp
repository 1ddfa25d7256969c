// Stands in for tamblo: appends one line to $FAKE_TAMBLO_LOG per start, the
// number of arguments and each argument after a tab, in one write.
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* log = std::getenv("FAKE_TAMBLO_LOG");
    if (!log)
        return 2;
    std::string line = std::to_string(argc - 1);
    for (int i = 1; i < argc; ++i)
        line += std::string("\t") + argv[i];
    line += "\n";
    int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return 2;
    bool whole = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return whole ? 0 : 2;
}
