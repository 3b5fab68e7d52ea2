// The one open document: the current song and the file it came from or goes to.
#pragma once

#include "model/song.h"

#include <memory>
#include <string>

class TModuleProject {
public:
    TSong* Song() const { return song_.get(); }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // Closes the current song, then loads the file; on failure no song is open and the error
    // propagates unchanged.
    void Open(const std::string& fileName);
    void Close();
    // Takes a song loaded elsewhere as the open one; a song must not be open.
    void Adopt(std::unique_ptr<TSong> song, const std::string& fileName);
    // Writes the song to FileName as XM; a song must be open.
    void Save();
    // Takes the new name first, so it stays even when writing then fails.
    void SaveAs(const std::string& fileName);

private:
    std::unique_ptr<TSong> song_;
    std::string fileName_;
};
