/* startup_ref - the yardstick of the start-up benchmark: a C hello world. */
#include <stdio.h>

int main(void) {
  puts("hello");
  return 0;
}
