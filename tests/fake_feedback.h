// Counts the rejection feedback instead of giving it.
#ifndef QEL_TESTS_FAKE_FEEDBACK_H
#define QEL_TESTS_FAKE_FEEDBACK_H

struct FeedbackCount {
  int backspaces = 0;
  int beeps = 0;
  int otherKeys = 0;
};

extern FeedbackCount feedback;

#endif
