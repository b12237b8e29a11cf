// The ROM's path as typed at the prompt and as read from PATHROM.txt.
#include "chemin.h"

#include "fichiers.h"

#include <tuple>

namespace brivane {
namespace {

TEST(Chemin, LineIsTakenWholeOrRefused)
{
    // The line; the path typed at the prompt; the path as the first line of PATHROM.txt, where
    // a CR before the line end is not part of it; whether it fits in 199 characters.
    const std::string l199(199, 'a');
    const std::tuple<std::string, std::string, std::string, Uint8> cas[] = {
        {"/tmp/mon jeu.ch8\nsuite\n", "/tmp/mon jeu.ch8", "/tmp/mon jeu.ch8", 1},
        {l199, l199, l199, 1},
        {"\r\n/tmp/jeu.ch8\n", "\r", "", 1},
        {"", "", "", 1},
        {l199 + "b\n", "", "", 0},                           // cut, it could name another file
        {"\xEF\xBB\xBF/é\r\n", "\xEF\xBB\xBF/é\r", "/é", 1}, // Notepad's UTF-8 BOM
    };
    const long descripteurs = ouverts();
    for (const auto& [ligne, tape, lu, tient] : cas) {
        char invite[TAILLECHEMIN] = "ancien", pathrom[TAILLECHEMIN] = "ancien";
        std::FILE* source = std::fopen(fichier("PATHROM.txt", ligne).c_str(), "r");
        EXPECT_EQ(lireChemin(invite, source), tient);
        EXPECT_EQ(lireFichierChemin(pathrom, (dossier + "PATHROM.txt").c_str()), tient);
        EXPECT_EQ(std::tie(invite, pathrom), std::tie(tape, lu));
        std::fclose(source);
    }
    // PATHROM.txt as Windows PowerShell 5 writes it: UTF-16 LE after its byte-order mark (К is
    // 1A 04), read as UTF-8 of 199 bytes at most; half a letter leaves the path empty.
    const std::u16string a197(197, u'a');
    const std::tuple<std::u16string, std::string, Uint8> larges[] = {
        {u"C:\\Кроме\\€ 𐀀.ch8\r\nsuite", "C:\\Кроме\\€ 𐀀.ch8", 1},
        {a197 + u"é\n", std::string(197, 'a') + "é", 1},
        {a197 + u"aé", "", 0},
        {u"C:\\\xDBFF", "", 1}, // half a surrogate pair names no file
        {u"", "", 1},
    };
    for (auto [ligne, lu, tient] : larges) {
        std::string octets = "\xFF\xFE";
        for (const char16_t c : ligne) {
            octets += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        }
        char pathrom[TAILLECHEMIN] = "ancien";
        EXPECT_EQ(lireFichierChemin(pathrom, fichier("PATHROM.txt", octets).c_str()), tient);
        EXPECT_EQ(pathrom, lu);
    }
    char pathrom[TAILLECHEMIN] = "ancien";
    EXPECT_EQ(lireFichierChemin(pathrom, (dossier + "absent.txt").c_str()), 1);
    EXPECT_EQ(pathrom, std::string());
    EXPECT_EQ(ouverts(), descripteurs);
    std::filesystem::remove_all(dossier);
}

} // namespace
} // namespace brivane
