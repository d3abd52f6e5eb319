// The pictures embedded in the program live in this library's resources.
