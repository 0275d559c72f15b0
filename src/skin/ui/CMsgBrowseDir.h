// The folder scanner that reports to a window: each file as a message with the path (a
// zero-terminated UTF-8 text) as first parameter; the walk goes on while the answer is not 0.
// With a folder message number, each folder entered is reported the same way.
#pragma once

#include "CBrowseDir.h"

class MessageTarget;

class CMsgBrowseDir : public CBrowseDir {
public:
    CMsgBrowseDir(MessageTarget* owner, unsigned fileMessage, unsigned folderMessage = 0);

protected:
    bool ProcessFile(const std::string& path) override;
    bool ProcessDir(const std::string& path, const std::string& parent) override;

private:
    void* m_owner; // a handle: a window gone away answers 0 and ends the walk
    unsigned m_fileMessage;
    unsigned m_folderMessage;
};
