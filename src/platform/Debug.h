#pragma once

// The debugger's side channel: output to an attached debugger, presence, break-in.
namespace plat {

// Writes the text to the debugger's output channel (standard error while a debugger is attached).
void OutputDebugString(const char* text);
// True while a tracer (gdb, strace, ...) is attached to this process.
bool IsDebuggerPresent();
// Stops in the attached debugger; without one it does nothing.
void DebugBreak();

} // namespace plat
