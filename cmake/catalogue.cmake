# Generates the embedded catalogue from assets/catalogue/ and TAVRIN_LEVEL_FILE; sets TAVRIN_CATALOGUE_SOURCES.
set(TAVRIN_CATALOGUE_SOURCES "")
