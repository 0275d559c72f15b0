// Movara's version checker: the maker's server, the version file's address and its top element.
#pragma once

#include "CVersionUpdate.h"
#include "VersionCheckBuild.h"

class CVelVersionUpdate : public CVersionUpdate {
public:
    // `server` is "scheme://host[:port]" without a trailing "/".
    explicit CVelVersionUpdate(std::string historyFolder, std::string server = kVelUpdateServer);

    std::string versionUrl() const override { return m_server + "/version/movara.xml"; }
    std::string productElement() const override { return "Movara"; }

    // Where the installer of a newer version is downloaded from.
    std::string installerUrl() const { return m_server + "/downloads/program/movara_setup.exe"; }
    const std::string& server() const { return m_server; }

private:
    const std::string m_server;
};
