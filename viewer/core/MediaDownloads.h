// The linked media files that the slide view fetches from the slide server
// in pieces: where the pieces collect, how many bytes a request says are
// held, and when a file is complete.
//
// A final file is only ever made of one server file: each server file
// collects in a partial file of its own (its whole name, extension included),
// and the pieces of an answer continue from the bytes the request said were
// held, unless the server begins the file anew. A start piece means "anew"
// when the request held nothing; for a request that held bytes the first
// start piece only opens the answer (some servers begin every answer so),
// and a second one begins the file anew.
#pragma once

#include "Framework.h"

#include "slidelink/SlideLink.h"

#include <cstdint>
#include <map>
#include <string>

class CMediaDownloads {
public:
    struct Transfer {
        uint32_t held = 0;     // bytes of the partial file the answer goes on from
        bool started = false;  // a start piece of the answer has come
    };

    // The temporary directory's folder of fetched media, with its backslash.
    static CString Folder();
    // The file name and extension of a path with backslashes or slashes.
    static CString FileName(const CString& path);
    // Where the pieces of a server file collect until it is complete.
    static CString PartialPath(const CString& serverPath);

    // Notes a request for a server file; answers the bytes already held,
    // which the request carries. A new request replaces an earlier one.
    uint32_t Ask(const CString& serverPath);
    // Takes one piece of an answer; true, with the final file's path, when
    // it completed a file.
    bool Take(const zelvo::slidelink::MediaReply& reply, CString& finalPath);

    // Server paths asked for and not yet complete.
    const std::map<std::string, Transfer>& Asked() const { return m_asked; }

private:
    std::map<std::string, Transfer> m_asked;
};
