#include "CMsgBrowseDir.h"

#include "MessageTarget.h"

CMsgBrowseDir::CMsgBrowseDir(MessageTarget* owner, unsigned fileMessage, unsigned folderMessage)
    : m_owner(owner ? owner->handle() : nullptr), m_fileMessage(fileMessage),
      m_folderMessage(folderMessage) {}

bool CMsgBrowseDir::ProcessFile(const std::string& path) {
    return sendMessage(m_owner, m_fileMessage, reinterpret_cast<uintptr_t>(path.c_str()), 0) != 0;
}

bool CMsgBrowseDir::ProcessDir(const std::string& path, const std::string& parent) {
    if (m_folderMessage == 0)
        return true;
    return sendMessage(m_owner, m_folderMessage, reinterpret_cast<uintptr_t>(path.c_str()), 0) != 0;
}
