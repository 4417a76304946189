#pragma once
// Where the lines of an export go: the Results page, or a text file that is written
// under a temporary name and takes its chosen name only when it is complete.
#include <string>

#include "core/file_io.h"

namespace kelp {

class Host;

// True when a name has the extension of the program's data files or map files
// (.KL1, .KL2, .KL3, .k1m, .k2m, .k3m, in any case): an export never takes such a name.
bool IsDataOrMapFileName(const std::string& name);
// The message that refuses such a name.
std::string RefusedTargetText(const std::string& name);
// Shows the refusal (a message box) and returns true when the name is refused.
bool RefuseDataOrMapTarget(Host& host, const std::string& name);

class ExportLines {
public:
    virtual ~ExportLines() = default;
    // One line of text, without its line end.
    virtual void Line(const std::string& text) = 0;
    // False once a write has failed (later lines are dropped).
    virtual bool Ok() const { return true; }
};

class ResultsLines : public ExportLines {
public:
    explicit ResultsLines(Host& host) : host_(host) {}
    void Line(const std::string& text) override;

private:
    Host& host_;
};

class TextFileLines : public ExportLines {
public:
    // `what` names the file in the failure message ("export file", "report file").
    TextFileLines(std::string name, std::string what = "export file");
    // Creates the temporary file; false (with ErrorText) when it cannot be created.
    bool Open();
    void Line(const std::string& text) override;
    // Appends text as it is (line ends included).
    void Text(const std::string& text);
    bool Ok() const override { return ok_; }
    // Writes what is buffered under the temporary name; false once a write has failed.
    bool WriteBuffered() {
        Flush();
        return ok_;
    }
    // Writes what is left and gives the file its name. On a failure the file is removed,
    // the failure is shown (5 seconds) and false is returned.
    bool Finish(Host& host);
    // Removes the temporary file: nothing is left under the chosen name.
    void Abandon() { writer_.Abandon(); }
    const std::string& Name() const { return name_; }
    std::string ErrorText() const { return SystemErrorText(writer_.LastError()); }

private:
    void Flush();
    std::string name_;
    std::string what_;
    AtomicFileWriter writer_;
    std::string buffer_;
    bool ok_ = true;
};

} // namespace kelp
