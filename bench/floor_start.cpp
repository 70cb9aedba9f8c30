// The floor of a filter's start, for the bench: a program linked as the filters are that does
// nothing. What the C library does before main (probing the processor, among the rest) is here.
int main() {
  return 0;
}
