#!/usr/bin/env bash
# Builds the fuzz target (fuzz/brivane_fuzz.cpp) with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, then fuzzes it for SECONDS (default 60) in one
# process, starting from a copy of fuzz/corpus/; new inputs go to build-fuzz/corpus/. Exits
# nonzero on any finding (crash, leak, timeout, broken invariant), whose input libFuzzer saves
# in build-fuzz/ as crash-*, leak-* or timeout-*.
set -euo pipefail
cd "$(dirname "$0")/.."

secondes=${1:-60}
dossier=build-fuzz
bash scripts/deps.sh fuzz
mkdir -p "$dossier/corpus"

# The seeds must be what their listings build.
bash fuzz/corpus.sh "$dossier/seeds"
diff -r fuzz/corpus "$dossier/seeds"

read -ra sdl < <(sdl-config --cflags)
read -ra bibliotheques < <(sdl-config --libs)
options=(-std=c++17 -g -O1 -fno-omit-frame-pointer "-fsanitize=fuzzer,address,undefined"
    -fno-sanitize-recover=all -Wall -Wextra -Wpedantic -Wconversion -Werror -Isrc "${sdl[@]}")
clang++ "${options[@]}" fuzz/brivane_fuzz.cpp src/cpu.cpp src/pixel.cpp src/hote.cpp \
    "${bibliotheques[@]}" -lSDL_mixer -o "$dossier/brivane_fuzz"

cp -n fuzz/corpus/* "$dossier/corpus/"
cd "$dossier"
# -timeout: an input running 10 s counts as a hang, a finding.
./brivane_fuzz -max_total_time="$secondes" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    corpus
