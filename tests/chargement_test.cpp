// ROM loading: what is not a regular file is refused without blocking and without a descriptor
// left open, and a failed read is a failure even when the C library left errno at 0.
#include "hote.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace brivane {
namespace {

std::string charger(std::string chemin, Uint8 attendu)
{
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(chargerJeu(chemin.data()), attendu) << chemin;
    return ::testing::internal::GetCapturedStdout();
}

std::string temporaire(const std::string& nom)
{
    return ::testing::TempDir() + "brivane-" + std::to_string(getpid()) + nom;
}

long ouverts() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

TEST(ChargementTest, FifoAndDirectoryAreRefusedAtOnceAndClosed)
{
    const std::string fifo = temporaire(".fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const long descripteurs = ouverts();
    alarm(5); // a FIFO with no writer must not block the open or the read: SIGALRM ends the test
    EXPECT_EQ(charger(fifo, 0), "Error opening file: Invalid argument.\n");
    alarm(0);
    EXPECT_EQ(charger(::testing::TempDir(), 0), "Error opening file: Is a directory.\n");
    EXPECT_EQ(ouverts(), descripteurs);
    std::remove(fifo.c_str());
}

TEST(ChargementTest, ReadErrorWithErrnoZeroIsAFailure)
{
    // A stream whose every read fails and leaves errno alone, as the C library may.
    cookie_io_functions_t echec = {};
    echec.read = [](void*, char*, size_t) -> ssize_t { return -1; };
    std::FILE* jeu = fopencookie(nullptr, "rb", echec);
    ASSERT_NE(jeu, nullptr);
    errno = EPERM; // an earlier failure is not the reason
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(lireJeu(jeu), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error opening file: Input/output error.\n");
    std::fclose(jeu);
}

TEST(ChargementTest, ByteOrderMarkIsNotPartOfThePath)
{
    const std::string l199(199, 'a');
    const std::string chemin = temporaire(".txt");
    for (const auto& [contenu, lu] :
         {std::pair<std::string, std::string>{"\xEF\xBB\xBF" + l199 + "\n", l199},
          {"\xEF\xBBx\n", "\xEF\xBBx"}}) {
        std::FILE* f = std::fopen(chemin.c_str(), "wb");
        std::fputs(contenu.c_str(), f);
        std::fclose(f);
        char filePath[TAILLECHEMIN];
        EXPECT_EQ(lireFichierChemin(filePath, chemin.c_str()), 1);
        EXPECT_EQ(filePath, lu);
    }
    std::remove(chemin.c_str());
}

} // namespace
} // namespace brivane
