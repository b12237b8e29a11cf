// Loading the ROM: what reaches memory, the paths as pasted or dropped, refused files and failed
// reads, each with its message.
#include "rom.h"

#include "fichiers.h"

#include <sys/stat.h>

namespace brivane {
namespace {

TEST(Rom, FillsTwoHundredToFFFOrIsRefused)
{
    // Only 0x200 to 0xFFF is read into: the registers, stack, timers and keys lie past memoire.
    const long descripteurs = ouverts();
    EXPECT_EQ(chargerJeu(fichier("grande.ch8", std::string(4000, 'x')).data()), 1);
    EXPECT_EQ(tailleJeu, 0xE00u);
    EXPECT_EQ(chargerJeu(fichier("vide.ch8", "").data()), 1);
    // Paths as pasted or dropped: without their trailing blanks and one pair of matching quotes
    // they name the ROM. A name that opens as it is, quotes and all, is that file.
    const std::string jeu = fichier("mon jeu.ch8", "J"), q = fichier("'q.ch8'", "Q");
    fichier("q.ch8", "q"), fichier("boucle", "b");
    std::filesystem::create_symlink(dossier + "boucle ", dossier + "boucle ");
    for (auto [chemin, octet] :
         {std::pair{"'" + jeu + "' ", 'J'}, {'"' + jeu + '"', 'J'}, {jeu + " \t", 'J'}, {q, 'Q'}}) {
        EXPECT_EQ(chargerJeu(chemin.data()), 1) << chemin;
        EXPECT_EQ(cpu.memoire[ADRESSEDEBUT], octet);
    }
    ASSERT_EQ(mkfifo((dossier + "fifo").c_str(), 0600), 0); // opening it would block
    const std::pair<std::string, std::string> refus[] = {
        {dossier + "absente.ch8", "No such file or directory"},
        {dossier, "Is a directory"},
        {dossier + "fifo", "Invalid argument"},
        {"/proc/self/mem", "Input/output error"},                   // its first read fails
        {"'" + jeu + "/x' ", "No such file or directory"},          // not "Not a directory"
        {dossier + "boucle ", "Too many levels of symbolic links"}, // it names something
        {"'" + jeu + '"', "No such file or directory"},             // quotes that do not match
        {'"' + dossier + "\" ", "Is a directory"}, // the failure of what the path names
    };
    alarm(5); // neither opening nor reading the FIFO may wait for a writer: SIGALRM ends the test
    for (auto [chemin, raison] : refus) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(chargerJeu(chemin.data()), 0) << chemin;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "Error opening file: " + raison + ".\n");
    }
    alarm(0);
    EXPECT_EQ(ouverts(), descripteurs);
    std::filesystem::remove_all(dossier);
    // A read that fails is a failure even when the C library leaves errno alone, as it may.
    cookie_io_functions_t echec = {};
    echec.read = [](void*, char*, size_t) -> ssize_t { return -1; };
    std::FILE* flux = fopencookie(nullptr, "rb", echec);
    errno = EPERM; // an earlier failure's errno is not the reason
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(lireJeu(flux), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error opening file: Input/output error.\n");
    std::fclose(flux);
}

} // namespace
} // namespace brivane
