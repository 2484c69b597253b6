// READ FIRST: /tmp/brief_tail.md holds the rules and project context for this work
// (do not commit; build dirs build/helper-rd*; no mention of any "spec"). Remove this note.
#include <gtest/gtest.h>
