// Reading a Debug value: its form, level part and target, with no effect on the process.
#ifndef ILVO_DEBUGPARSE_H
#define ILVO_DEBUGPARSE_H

// Characters of the value kept in the file and pipe forms; the file form leaves room behind
// them for a process id in place of a final "$$".
constexpr unsigned kFileKeep = 1017;
constexpr unsigned kPipeKeep = 1023;

// A value cut into its parts.
struct DebugValue {
  enum Form { kPlain, kFile, kPipe };
  Form form;
  int append_mode;     // 1 for ">>"
  const char *level;   // the level part: into work, or the whole value in the plain form
  const char *target;  // path or command, blanks cut and "$$" replaced; "" when plain
  char work[1024];     // the cut copy: level part, zero bytes, target
};

// Splits value into *v; pid replaces a final "$$" of the target.
void debug_parse(const char *value, long pid, DebugValue *v);

// The debug word that a level part gives; the '@' form adds bits to current.
unsigned debug_level(const char *level, unsigned current);

#endif
