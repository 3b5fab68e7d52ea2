#include "project/module_project.h"

void TModuleProject::Open(const std::string& fileName) {
    Close();
    fileName_ = fileName;
    song_ = std::make_unique<TSong>(fileName);
}

void TModuleProject::Close() {
    song_.reset();
}
