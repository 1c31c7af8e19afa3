#pragma once
#include <filesystem>
#include <stdexcept>
#include <string>

// The saver shows nothing while it runs; a picture it could not show leaves
// its reason in this one-entry log for whoever looks later.

class EErrorLogWrite : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// error.txt in the per-user state folder.
std::filesystem::path ErrorLogPath();

// Makes the message followed by CR LF the whole content of the log, creating
// the folder and the file as needed. Throws EErrorLogWrite when it cannot.
void WriteErrorLog(const std::string& message);
