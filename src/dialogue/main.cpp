#include "console.hpp"
#include "dialogue.hpp"
#include "standard_streams.hpp"

int main() {
  SetUpStandardStreams();
  OpenConsoleInput();
  const int status = RunDialogue();
  CloseConsoleInput();
  return status;
}
