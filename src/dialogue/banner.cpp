#include "banner.hpp"

#define MAKER_SITE "https://tamsworth.example"

const char* const kBannerLines[kBannerLineCount] = {
    "*****************************************************************************",
    "*\tThis is not a official Programm!! Please Backup our Files!! ",
    "*\t!!! NO WARRENTY, but tested - if you found a Bug - please ",
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): the site is spliced into the line.
    "*\trefer it to " MAKER_SITE "/forum",
    "*   ",
    "*\tDescription:",
    "*\tThis Programm changes your Varnholt Files:  ESP <-> ESM ",
    "*\tYou have to rename the Fileextension by our self.\t",
    "*\t=> Backup of your File!",
    "*                                       ",
    "*\tThis Little Programm was created by Tamsworth.  ",
    "*\tPlease Visit my Mod \"Brindlemere\" on:    ",
    "*\t" MAKER_SITE "                        ",
    "*                                      ",
    "*****************************************************************************",
};
