// The tool's own words: the banner, the prompt and the messages. Tabs and
// trailing blanks are part of the text.
#pragma once

// The banner's lines, without their line breaks.
inline constexpr const char* kBannerLines[] = {
    "*****************************************************************************",
    "*\tThis is not a official Programm!! Please Backup our Files!! ",
    "*\t!!! NO WARRENTY, but tested - if you found a Bug - please ",
    "*\trefer it to https://tamsworth.example/forum",
    "*   ",
    "*\tDescription:",
    "*\tThis Programm changes your Varnholt Files:  ESP <-> ESM ",
    "*\tYou have to rename the Fileextension by our self.\t",
    "*\t=> Backup of your File!",
    "*                                       ",
    "*\tThis Little Programm was created by Tamsworth.  ",
    "*\tPlease Visit my Mod \"Brindlemere\" on:    ",
    "*\thttps://tamsworth.example                        ",
    "*                                      ",
    "*****************************************************************************",
};

constexpr char kPrompt[] = "Path to File [x:/<pathtofile>/file.<esm/esp>]: ";
constexpr char kNoSuchFile[] = "File does not exist!";
constexpr char kMasterToPlugin[] = "Master -> Plugin";
constexpr char kPluginToMaster[] = "Plugin -> Master";
constexpr char kUnknownKind[] = "Unknown Filetyp";
constexpr char kCannotOpenForWriting[] = "File could not be opened for writing!";
constexpr char kCannotWrite[] = "File could not be written!";
constexpr char kCannotRead[] = "File could not be read!";
// What --check reports for the two known kinds, and what --to-master and
// --to-plugin report for a file that already is of the kind asked for.
constexpr char kMaster[] = "Master";
constexpr char kPlugin[] = "Plugin";

// What --backup and --rename add to a line, after the outcome: ", backed
// up as Mod.esp.bak", ", not switched: Mod.esp.bak exists", ", renamed
// Mod.esm", ", not renamed: no .esp or .esm extension".
constexpr char kBackedUpAs[] = ", backed up as ";
constexpr char kNotSwitched[] = ", not switched: ";
constexpr char kRenamed[] = ", renamed ";
constexpr char kNotRenamed[] = ", not renamed: ";
constexpr char kExists[] = " exists";
constexpr char kCannotBeMade[] = " could not be made";
constexpr char kNoDataName[] = "no .esp or .esm extension";
constexpr char kIsAnotherFile[] = " is another file now";

constexpr int kFailure = -1;
// --to-master or --to-plugin left a file of unknown kind as it was: a script
// that asked for a kind must not take it for one of that kind.
constexpr int kNotOfKindAsked = 1;
