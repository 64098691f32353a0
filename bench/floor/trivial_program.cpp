// The floor of the process-level start-up figures: a C++ program that does nothing.
int main() {
    return 0;
}
