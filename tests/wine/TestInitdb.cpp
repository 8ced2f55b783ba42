// Stands in for the database's initdb.exe in the upgrade tests: only its version resource is read.
int main() {
    return 0;
}
