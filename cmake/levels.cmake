# Builds the scrambled level file from assets/levels/ and sets TAVRIN_LEVEL_FILE.
set(TAVRIN_LEVEL_FILE "")
