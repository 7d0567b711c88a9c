// Asks MinGW-w64's start-up code to have the C runtime expand wildcards in
// the arguments, as MSVC's wsetargv.obj does: *.esp becomes the names that
// match, in the order the folder lists them (by name on NTFS), with the
// pattern's folder kept in front; a pattern that matches nothing stays as
// it is. A Windows file name cannot hold * or ?, so no real name is misread.
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the runtime's name.
int _dowildcard = -1;
}
