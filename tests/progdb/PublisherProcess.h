// Runs the project's publisher service (tools/publisher) on 127.0.0.1 for
// one test, with its record and port files in a scratch folder.
#pragma once

#include <string>
#include <vector>

#include "ProcessUtil.h"
#include "TestUtil.h"

class PublisherProcess {
public:
    // args: further command-line arguments ("--version 1A --db ...").
    explicit PublisherProcess(const std::string& args = std::string());
    ~PublisherProcess();

    bool Running() const { return port_ != 0; }
    int Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string Base() const;
    // The request lines the service received ("GET /getXML.aspx?..."), in order.
    std::vector<std::string> Requests() const;
    const std::string& Folder() const { return dir_.Path(); }
    // Ends the service (by its own handle).
    void Stop();

private:
    testutil::ScratchDir dir_;
    testutil::ChildProcess child_;
    int port_ = 0;
};

// The Windows path of a build output given as a Unix path.
std::string WindowsPathOf(const std::string& unixPath);
