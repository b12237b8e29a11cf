// ROM loading: what is not a regular file is refused without blocking and without a descriptor
// left open, and a failed read is a failure even when the C library left errno at 0.
#include "hote.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace brivane {
namespace {

// What a refused load printed.
template <typename Chargement> std::string refus(Chargement chargement)
{
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(chargement(), 0);
    return ::testing::internal::GetCapturedStdout();
}

TEST(ChargementTest, FifoAndDirectoryAreRefusedAtOnceAndClosed)
{
    std::string fifo = ::testing::TempDir() + "brivane-" + std::to_string(getpid()) + ".fifo";
    std::string dossier = ::testing::TempDir();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto ouverts = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto descripteurs = ouverts();
    alarm(5); // a FIFO with no writer must block neither the open nor the read: SIGALRM fails it
    EXPECT_EQ(refus([&] { return chargerJeu(fifo.data()); }),
              "Error opening file: Invalid argument.\n");
    alarm(0);
    EXPECT_EQ(refus([&] { return chargerJeu(dossier.data()); }),
              "Error opening file: Is a directory.\n");
    EXPECT_EQ(ouverts(), descripteurs);
    std::remove(fifo.c_str());
}

TEST(ChargementTest, ReadErrorWithErrnoLeftAtZeroIsAFailure)
{
    // A stream whose every read fails and leaves errno alone, as the C library may.
    cookie_io_functions_t echec = {};
    echec.read = [](void*, char*, size_t) -> ssize_t { return -1; };
    std::FILE* jeu = fopencookie(nullptr, "rb", echec);
    ASSERT_NE(jeu, nullptr);
    errno = EPERM; // an earlier failure's errno is not the reason
    EXPECT_EQ(refus([&] { return lireJeu(jeu); }), "Error opening file: Input/output error.\n");
    std::fclose(jeu);
}

} // namespace
} // namespace brivane
