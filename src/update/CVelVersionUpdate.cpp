#include "CVelVersionUpdate.h"

CVelVersionUpdate::CVelVersionUpdate(std::string historyFolder, std::string server)
    : CVersionUpdate(std::move(historyFolder)), m_server(std::move(server)) {}
