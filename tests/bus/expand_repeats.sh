# The bus scripts write "repeat N LINE" for N LINEs in a row (an RT chosen by five scroll clicks).
expand_repeats() {
  awk '/^repeat [0-9]+ /{ n = $2; sub(/^repeat [0-9]+ /, ""); for (i = 0; i < n; i++) print; next } { print }' "$1"
}
