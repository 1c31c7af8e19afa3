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

// The log's line for a picture that could not be shown: the message as it is
// when it names the file already, else the file's name and then the reason,
// so that every line says which file and why.
std::string PictureFailureLine(const std::string& fileName, const std::string& message);

// Makes the message followed by CR LF the whole content of the log, creating
// the folder and the file as needed. Throws EErrorLogWrite when it cannot.
void WriteErrorLog(const std::string& message);
