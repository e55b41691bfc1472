// The MD5 jobs: hash a text or a file's contents and print the digest line.
#pragma once

#include "io/outcome.h"
#include "md5/md5.h"

Outcome md5_string_job(const char* text);
Outcome md5_file_job(const char* path);

// Prints the digest of a finished context as 32 lowercase hex digits and a
// line feed.
Outcome md5_print_digest(const Md5Context* context);
