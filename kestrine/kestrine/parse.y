/* The grammar of kestrine: an LALR(1) automaton whose actions append nodes
   to the flat syntax tree. */
%require "3.8"
%define api.pure full
%define api.token.prefix {TK_}
%define api.value.type {int}
%define api.location.type {kestrine::Location}
%define parse.error verbose
%locations
%expect 0
%param {kestrine::Scanner& sc} {kestrine::Parser& p}

%code top {
// The stacks never move, so the skeleton's release of a moved stack is dead
// code that the compiler still warns about.
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
}

%code requires {
#include "kestrine/scan.hpp"
}

%code {
#include "kestrine/compiler.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

// The state stacks are fixed: nesting beyond them is "memory exhausted".
#define YYINITDEPTH 200
#define YYMAXDEPTH 200

#define YYLLOC_DEFAULT(Current, Rhs, N)              \
  do {                                               \
    if (N) {                                         \
      (Current).first = YYRHSLOC(Rhs, 1).first;      \
      (Current).last = YYRHSLOC(Rhs, N).last;        \
    } else {                                         \
      (Current).first = (Current).last = YYRHSLOC(Rhs, 0).last; \
    }                                                \
  } while (0)

using kestrine::Ast;

void yyerror(kestrine::Location* loc, kestrine::Scanner& sc, kestrine::Parser& p, char const* message);
}

%token END 0 "end of file"
%token SYMBOL "symbol"
%token GLOBAL "global"
%token VALUE "value"
%token ARG "argument"
%token ASSIGN "="
%token SHL "<<"
%token SHR ">>"
%token LE "<="
%token GE ">="
%token LT "<"
%token GT ">"
%token EQ "=="
%token NE "!="
%token AND "and"
%token OR "or"
%token XOR "^"
%token BOR "|"
%token BAND "&"
%token ADD "+"
%token SUB "-"
%token MUL "*"
%token DIV "/"
%token MOD "%"
%token NEG "~"
%token NOT "!"
%token QUESTION "?"
%token COLON ":"
%token COMMA ","
%token LPAREN "("
%token RPAREN ")"
%token LBRACKET "["
%token RBRACKET "]"
%token LCURLY "{"
%token RCURLY "}"
%token IF "if"
%token ELSE "else"
%token ELIF "elif"
%token WHILE "while"
%token FOR "for"
%token IN "in"
%token BREAK "break"
%token RETURN "return"
%token EOL "end of line"
%token INDENT "indent"
%token DEDENT "dedent"

%%

prog
  : optional_eol stat_list { $$ = p.ast.push({$2}); }
  ;

optional_eol
  : EOL
  | %empty
  ;

block
  : EOL INDENT stat_list DEDENT { $$ = $3; }
  | line_stat { $$ = p.ast.push({-1, $1}); }
  ;

stat_list
  : stat_list stat { $$ = p.ast.push({$1, $2}); }
  | stat { $$ = p.ast.push({-1, $1}); }
  ;

stat
  : block_stat
  | line_stat EOL
  ;

block_stat
  : if_stat
  | while_stat
  | for_stat
  ;

line_stat
  : return_stat
  | break_stat
  | expr_stat
  ;

if_stat
  : IF expr COLON block EOL else_stat { $$ = p.ast.push({Ast::IF, $2, $4, $6}); }
  ;

else_stat
  : ELIF expr COLON block EOL else_stat
    { $$ = p.ast.push({-1, p.ast.push({Ast::IF, $2, $4, $6})}); }
  | ELSE COLON block EOL { $$ = $3; }
  | %empty { $$ = -1; }
  ;

while_stat
  : WHILE expr COLON block EOL { $$ = p.ast.push({Ast::WHILE, $2, $4}); }
  ;

for_stat
  : FOR SYMBOL IN expr COLON block EOL { $$ = p.ast.push({Ast::FOR, $2, $4, $6}); }
  ;

return_stat
  : RETURN expr { $$ = p.ast.push({Ast::RETURN, $2}); }
  | RETURN { $$ = p.ast.push({Ast::RETURN, -1}); }
  ;

break_stat
  : BREAK { $$ = p.ast.push({Ast::BREAK}); }
  ;

expr_stat
  : expr
  ;

expr
  : assign_expr
  ;

assign_expr
  : cond_expr
  | postfix_expr ASSIGN assign_expr { $$ = p.ast.push({Ast::ASSIGN, $1, $3}); }
  ;

cond_expr
  : or_expr
  | or_expr QUESTION expr COLON cond_expr { $$ = p.ast.push({Ast::COND, $1, $3, $5}); }
  ;

or_expr
  : and_expr
  | or_expr OR and_expr { $$ = p.ast.push({Ast::OR, $1, $3}); }
  ;

and_expr
  : bor_expr
  | and_expr AND bor_expr { $$ = p.ast.push({Ast::AND, $1, $3}); }
  ;

bor_expr
  : xor_expr
  | bor_expr BOR xor_expr { $$ = p.ast.push({Ast::BOR, $1, $3}); }
  ;

xor_expr
  : band_expr
  | xor_expr XOR band_expr { $$ = p.ast.push({Ast::XOR, $1, $3}); }
  ;

band_expr
  : eq_expr
  | band_expr BAND eq_expr { $$ = p.ast.push({Ast::BAND, $1, $3}); }
  ;

eq_expr
  : rel_expr
  | eq_expr EQ rel_expr { $$ = p.ast.push({Ast::EQ, $1, $3}); }
  | eq_expr NE rel_expr { $$ = p.ast.push({Ast::NE, $1, $3}); }
  ;

rel_expr
  : shift_expr
  | rel_expr LT shift_expr { $$ = p.ast.push({Ast::LT, $1, $3}); }
  | rel_expr GT shift_expr { $$ = p.ast.push({Ast::GT, $1, $3}); }
  | rel_expr LE shift_expr { $$ = p.ast.push({Ast::LE, $1, $3}); }
  | rel_expr GE shift_expr { $$ = p.ast.push({Ast::GE, $1, $3}); }
  ;

shift_expr
  : add_expr
  | shift_expr SHL add_expr { $$ = p.ast.push({Ast::SHL, $1, $3}); }
  | shift_expr SHR add_expr { $$ = p.ast.push({Ast::SHR, $1, $3}); }
  ;

add_expr
  : mul_expr
  | add_expr ADD mul_expr { $$ = p.ast.push({Ast::ADD, $1, $3}); }
  | add_expr SUB mul_expr { $$ = p.ast.push({Ast::SUB, $1, $3}); }
  ;

mul_expr
  : unary_expr
  | mul_expr MUL unary_expr { $$ = p.ast.push({Ast::MUL, $1, $3}); }
  | mul_expr DIV unary_expr { $$ = p.ast.push({Ast::DIV, $1, $3}); }
  | mul_expr MOD unary_expr { $$ = p.ast.push({Ast::MOD, $1, $3}); }
  ;

unary_expr
  : postfix_expr
  | SUB unary_expr { $$ = p.ast.push({Ast::NEG, $2}); }
  | NEG unary_expr { $$ = p.ast.push({Ast::BNOT, $2}); }
  | NOT unary_expr { $$ = p.ast.push({Ast::LNOT, $2}); }
  ;

postfix_expr
  : primary_expr
  | postfix_expr LBRACKET expr RBRACKET { $$ = p.ast.push({Ast::SUBSCR, $1, $3}); }
  | postfix_expr LPAREN expr_list RPAREN { $$ = p.ast.push({Ast::CALL, $1, $3}); }
  ;

primary_expr
  : SYMBOL { $$ = p.ast.push({Ast::SYMBOL, $1}); }
  | GLOBAL { $$ = p.ast.push({Ast::GLOBAL, $1}); }
  | VALUE { $$ = p.ast.push({Ast::VALUE, $1}); }
  | ARG { $$ = p.ast.push({Ast::ARG, $1}); }
  | LPAREN expr RPAREN { $$ = $2; }
  | LBRACKET expr_list RBRACKET { $$ = p.ast.push({Ast::ARR, $2}); }
  | LCURLY pair_list RCURLY { $$ = p.ast.push({Ast::MAP, $2}); }
  ;

expr_list
  : expr_list COMMA expr { $$ = p.ast.push({$1, $3}); }
  | expr { $$ = p.ast.push({-1, $1}); }
  | %empty { $$ = -1; }
  ;

pair
  : expr COLON expr { $$ = p.ast.push({$1, $3}); }
  ;

pair_list
  : pair_list COMMA pair { $$ = p.ast.push({$1, $3}); }
  | pair { $$ = p.ast.push({-1, $1}); }
  | %empty { $$ = -1; }
  ;

%%

// Reports a syntax error on standard error: the message, the numbered line
// and a marker that ends just after the offending token.
void yyerror(kestrine::Location* loc, kestrine::Scanner&, kestrine::Parser& p, char const* message) {
  std::string_view text = p.text;
  auto clamp = [&](long at) { return at < 0 ? size_t(0) : std::min(size_t(at), text.size()); };
  size_t first = clamp(loc->first), last = std::max(first, clamp(loc->last));
  size_t start = first;
  while (start > 0 && text[start - 1] != '\n') --start;
  size_t end = last;
  while (end < text.size() && text[end] != '\n') ++end;
  long line = 1;
  for (size_t i = 0; i < start; ++i)
    if (text[i] == '\n') ++line;
  std::fprintf(stderr, "%s\n", message);
  std::fprintf(stderr, "%5ld | %.*s\n", line, static_cast<int>(end - start), text.data() + start);
  std::string marker = "      | ";
  marker.append(first - start, ' ');
  marker.append(last - first, '~');
  marker += "^\n";
  std::fputs(marker.c_str(), stderr);
}

namespace kestrine {

int yyparse(Compiler& comp, std::string_view text) {
  Scanner sc(text);
  Parser p{comp, text, Ast{}, Indent{}};
  int result = ::yyparse(sc, p);
  if (result == 0) generate_bytecode(p.ast, comp);
  return result;
}

} // namespace kestrine
