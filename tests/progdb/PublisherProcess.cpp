#include "PublisherProcess.h"

#include <cstdlib>

std::string WindowsPathOf(const std::string& unixPath) {
    return testutil::HostPath(unixPath);
}

PublisherProcess::PublisherProcess(const std::string& args) {
    const std::string portFile = dir_.File("port.txt");
    std::string all = "--port-file \"" + portFile + "\" --record \"" + dir_.File("record.txt") +
                      "\" " + args;
    if (!child_.Start(WindowsPathOf(QM_PUBLISHER_EXE), all)) return;
    if (!testutil::WaitUntil([&] { return testutil::FileExists(portFile) || !child_.Running(); },
                             20000))
        return;
    port_ = std::atoi(testutil::ReadFileBytes(portFile).c_str());
}

PublisherProcess::~PublisherProcess() { Stop(); }

void PublisherProcess::Stop() {
    if (child_.Running()) child_.Kill();
}

std::string PublisherProcess::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> PublisherProcess::Requests() const {
    return testutil::SplitLines(testutil::ReadFileBytes(dir_.File("record.txt")));
}
