namespace korivanta_tests { int supportAnchor = 0; }
