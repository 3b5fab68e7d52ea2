#include "project/module_project.h"

#include "model/errors.h"

void TModuleProject::Open(const std::string& fileName) {
    Close();
    fileName_ = fileName;
    song_ = std::make_unique<TSong>(fileName);
}

void TModuleProject::Close() {
    song_.reset();
}

void TModuleProject::Save() {
    CW_ASSERT(song_);
    song_->SaveToXM(fileName_);
}

void TModuleProject::SaveAs(const std::string& fileName) {
    fileName_ = fileName;
    Save();
}

void TModuleProject::Adopt(std::unique_ptr<TSong> song, const std::string& fileName) {
    CW_ASSERT(!song_ && song);
    song_ = std::move(song);
    fileName_ = fileName;
}
