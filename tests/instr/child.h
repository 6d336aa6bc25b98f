// child.h - runs test code that may end the process in a forked child and
// collects what it wrote, how it ended and the VISA calls it made.
#ifndef CHILD_H
#define CHILD_H

#include <functional>
#include <string>
#include <vector>

struct ChildResult {
  int status;       // exit status, or 128 + signal number
  std::string out;  // standard output
  std::string err;  // standard error
  std::string calls;  // the VISA double's calls made in the child, one a line
};

// Forks; the child runs body with stdout, stderr and the double's call log
// going to pipes. A body that returns ends the child with status 0 after
// flushing stdio. The child inherits the double's queues, so replies pushed
// before the call are seen by the child; its call log starts empty in calls.
ChildResult runChild(const std::function<void()>& body);

// Runs every body in its own child at the same time; results in order.
std::vector<ChildResult> runChildren(const std::vector<std::function<void()>>& bodies);

#endif
