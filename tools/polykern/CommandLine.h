#pragma once

// Shared pieces of the command-line host: exit statuses, messages, and the functions
// that add each command to the parser.

#include <memory>
#include <string>
#include <vector>

class G3Surface;

namespace CLI {
class App;
}

namespace pkcli {

/// Exit statuses: success, a failed job (bad input, unwritable output), wrong usage.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// What every command shares: the global switches and the status the command leaves.
struct Session {
    bool verbose = false;
    int status = kExitOk;
};

/// Prints "polykern: <message>" as one line on standard error; returns kExitFailed.
int Fail(const std::string& message);
/// A progress line on standard error, shown with --verbose or when standard error is a
/// terminal.
void Progress(const Session& session, const std::string& message);
/// Routes the kernel's trace messages to standard error while it lives (with --verbose).
class TraceToStderr {
public:
    explicit TraceToStderr(const Session& session);
    ~TraceToStderr();
    TraceToStderr(const TraceToStderr&) = delete;
    TraceToStderr& operator=(const TraceToStderr&) = delete;

private:
    bool m_Installed = false;
};

/// Creates a fresh temporary file beside `path` (same folder, usual permissions) for a
/// write that is renamed into place when complete. Its descriptor, with its name in
/// *tempName; −1 with *error set to one line when it cannot be made.
int OpenTemporaryBeside(const std::string& path, std::string* tempName, std::string* error);

/// Checks that OUT's format can be written, first, then reads IN. Null, with the failure
/// reported and kExitFailed in *status, when either fails.
std::unique_ptr<G3Surface> ReadForWriting(const std::string& input,
                                          const std::string& output,
                                          bool asciiStl,
                                          int* status);
/// Writes s to OUT, warning on standard error about facets that could not be written
/// exactly; kExitOk, or kExitFailed with the failure reported.
int WriteResult(G3Surface* s, const std::string& output, bool asciiStl);

/// Adds the positional IN and OUT files every converting command takes, and --ascii-stl.
void AddSurfaceFiles(CLI::App* cmd, std::string* input, std::string* output, bool* asciiStl);

void AddInfoCommand(CLI::App& app, Session& session);
void AddCleanCommand(CLI::App& app, Session& session);
void AddConvertCommand(CLI::App& app, Session& session);
void AddRenderCommand(CLI::App& app, Session& session);
void AddDemoCommand(CLI::App& app, Session& session);
void AddTriangulateCommand(CLI::App& app, Session& session);
void AddClipCommand(CLI::App& app, Session& session);
void AddSimplifyCommand(CLI::App& app, Session& session);
void AddBooleanCommand(CLI::App& app, Session& session);
void AddShellCommand(CLI::App& app, Session& session);
void AddSliceCommand(CLI::App& app, Session& session);
void AddSectionCommand(CLI::App& app, Session& session);
void AddBlendCommand(CLI::App& app, Session& session);
void AddSceneCommand(CLI::App& app, Session& session);
void AddSiteCommand(CLI::App& app, Session& session);
void AddOpeningsCommand(CLI::App& app, Session& session);
void AddPickCommand(CLI::App& app, Session& session);
void AddTerrainCommand(CLI::App& app, Session& session);
void AddPluginCommand(CLI::App& app, Session& session);
void AddRoofCommand(CLI::App& app, Session& session);
void AddRegionsCommand(CLI::App& app, Session& session);


}  // namespace pkcli
