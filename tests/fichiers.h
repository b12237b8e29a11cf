#pragma once
// Scratch files for the tests, and the count of open descriptors that shows one left open.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace brivane {
namespace {

// This process's own folder: test runs may overlap.
const std::string dossier = ::testing::TempDir() + "brivane-" + std::to_string(getpid()) + "/";

std::string fichier(const std::string& nom, const std::string& contenu)
{
    std::filesystem::create_directories(dossier);
    std::ofstream(dossier + nom, std::ios::binary) << contenu;
    return dossier + nom;
}

long ouverts() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

} // namespace
} // namespace brivane
