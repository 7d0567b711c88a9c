// The whole run: banner, path prompt, conversion, report, key wait.
#pragma once

// Returns the process's exit status: 0 on success, -1 on any failure.
int RunDialogue();
