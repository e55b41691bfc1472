// The SHA-256 jobs: hash a text or a file's contents and print the digest line.
#pragma once

#include "io/outcome.h"

Outcome sha256_string_job(const char* text);
Outcome sha256_file_job(const char* path);
