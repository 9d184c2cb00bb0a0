#include "core/steps/TableSteps.h"

namespace core {

namespace {

// The copies are the contract with the destination schema: keep them exactly
// as they are, column for column, and the statements made from them byte for
// byte as they have always been sent.

ColumnValue constant(const char* literal)
{
    return {QString::fromLatin1(literal), true};
}

std::vector<TableStep> buildTableSteps()
{
    const ColumnValue zero = constant("0");
    const ColumnValue one = constant("1");
    const ColumnValue empty = constant("''");
    const ColumnValue null = constant("NULL");

    const RowCopy clientes{"clientes", "Clientes", {
        {"id", zero}, {"codigo"}, {"nome"}, {"morada"}, {"codpostal"}, {"codpostal1"}, {"localidade"}, {"telefone"},
        {"fax"}, {"telemovel"}, {"email"}, {"web"}, {"obs"}, {"datacriacao"}, {"valormov"}, {"valordivida"},
        {"contribuinte"}, {"limitecredito", zero}, {"desconto", zero},
        {"saldo", {.text = "0", .constant = true, .tight = true}}, {"foto", null}, {"mododesconto", zero},
        {"impressao", zero}, {"datanascimento", zero}, {"nomecontacto", empty}, {"bloqueado", zero}, {"rfid", empty},
        {"isento", {"ISNULL(isento, 0)"}}, {"motivo"}, {"retencao", {"ISNULL(retencao, 0)"}},
        {"sujeitopassivo", {"ISNULL(sujeitopassivo, 0)"}}, {"ivacaixa", {"ISNULL(ivacaixa, 0)"}, zero},
        {"ivacaixainicio", {"ivacaixainicio"}, zero}, {"ivacaixafim", {"ivacaixafim"}, zero}}};
    const RowCopy empregados{"empregados", "Empregados", {
        {"id", zero}, {"codigo"}, {"nome"}, {"password"}, {"foto"}, {"bloqueado"}, {"datacriacao"}, {"obs"},
        {"gestaocaixa"}, {"frontoffice", zero}, {"identificacao", empty}, {"telefone", empty}, {"email", empty},
        {"cashe", zero}, {"comissao", zero}, {"demissao", zero}, {"cor", constant("16577500")}}};
    const RowCopy subfamilias{"subfamilias", "Subfamilias", {
        {"id", zero}, {"codigo"}, {"descricao"}, {"familia"}, {"fundo", {"fundo"}, constant("12632256")},
        {"letra", {"letra"}, constant("16776960")}, {"posicao", {"posicao"}, zero}}};
    const RowCopy familias{"familias", "Familias", {
        {"id", zero}, {"codigo"}, {"descricao"}, {"frontoffice", one, {"visivel"}},
        {"posicaofront", zero, {"posicao"}}, {"posicaoprint", zero}, {"fundo", constant("15780518"), {"fundo"}},
        {"letra", constant("16777215"), {"letra"}}, {"tipo", zero}}};
    const RowCopy famzonas{.destinationTable = "famzonas", .sourceTable = "familias",
                           .columns = {{"familia", {"codigo"}}, {"zona", zero}}, .readsDestination = true};
    const RowCopy iva{"iva", "Iva", {{"id", zero}, {"codigo"}, {"descricao"}, {"factor"}}};
    const RowCopy produtos{"produtos", "Produtos", {
        {"id", zero}, {"codigo"}, {"descricao"}, {"familia", {"ISNULL(familia, 0)"}},
        {"subfam", {"ISNULL(subfamilia, 0)"}}, {"unidade", {"ISNULL(unidade, 0)"}}, {"iva"}, {"fornecedor"},
        {"foto"}, {"precocompra", {"ISNULL(precocompra, 0)"}}, {"precovenda"}, {"dataultcompra"}, {"ultprecocompra"},
        {"datacriacao"}, {"obs"}, {"retalho", {"ISNULL(retalho, 0)"}}, {"composto"}, {"ultprecovenda"},
        {"topo", {"[top]"}}, {"cozinha", zero}, {"grupo", zero}, {"referencia", {"referencia"}, empty},
        {"ivacompra"}, {"balanca"}, {"prodstock", {"codigo"}}, {"qtdstock", one}, {"compra", zero}, {"stocks", zero},
        {"meiadose", zero}, {"precomeia", zero}, {"qtdmeia", zero}, {"ordemtop", zero}, {"ordem", zero, {"posicao"}},
        {"ordemlocal", zero}, {"listseparado", zero}, {"codbarras"}, {"armazem", zero}, {"tempoprep", zero},
        {"maxopcoes", zero}, {"iva2", {"iva"}}, {"tara", zero}, {"prepagamento", zero},
        {"fundo", constant("12632256"), {"fundo"}}, {"letra", constant("536870911"), {"letra"}},
        {"descricaocurta", empty, {"labelcurta"}}, {"promocao", {"promocao"}, zero}, {"percentprom", zero},
        {"margembruta", zero}, {"codigopp", zero}, {"revenda", zero}, {"precorevenda", zero},
        {"ivarevenda", {"iva"}}, {"autoquebra", zero}, {"pvp2", {"precovenda2"}}, {"pvp3", {"precovenda3"}},
        {"pvp4", zero}, {"pvp5", zero}, {"pvpmeia2", zero}, {"pvpmeia3", zero}, {"pvpmeia4", zero},
        {"pvpmeia5", zero}, {"consumominimo", zero}, {"precominimo", zero},
        {"excluirdescontos", {"excluirdescontos"}, zero}, {"vendersemstock", one}, {"dosedesc", empty},
        {"meiadosedesc", empty}, {"categoria", zero}, {"subcategoria", zero}, {"pvp6", zero}, {"pvp7", zero},
        {"pvp8", zero}, {"pvp9", zero}, {"pvp10", zero}, {"pvpmeia6", zero}, {"pvpmeia7", zero}, {"pvpmeia8", zero},
        {"pvpmeia9", zero}, {"pvpmeia10", zero}, {"isencao", {"isencao"}, {"ISNULL(isencao, 0)"}},
        {"restricted", zero}, {"retencao", {"ISNULL(retencao, 0)"}}, {"percentagemretencao"}}};
    const RowCopy codigosbarras{.destinationTable = "codigosbarras", .sourceTable = "codigosbarras",
                                .columns = {{"codigo"}, {"codbarras"}}, .onlyWithProbe = true};
    const RowCopy fornecedores{"fornecedores", "Fornecedores", {
        {"id", zero}, {"codigo"}, {"nome"}, {"morada"}, {"codpostal"}, {"codpostal1"}, {"localidade"}, {"telefone"},
        {"fax"}, {"telemovel"}, {"email"}, {"web"}, {"datacriacao"},
        {"contribuinte", {"CONVERT(VARCHAR(15), contribuinte)"}}, {"ivaincluido"}}};
    const RowCopy unidades{"unidades", "Unidades", {{"id", zero}, {"codigo"}, {"descricao"}}};

    std::vector<TableStep> steps{
        {"Clientes", " clientes...", "ivacaixa", {clientes}, {}, "Clientes convertidos!"},
        {"Empregados", " empregados...", {}, {empregados}, {}, "Empregados convertidos!"},
        {"Subfamilias", " sub-famílias...", "fundo", {subfamilias}, {}, "Sub-famílias convertidas!"},
        {"Familias", " famílias...", "frontoffice", {familias}, {famzonas}, "Famílias convertidas!"},
        {"Iva", " taxas de iva...", {}, {iva}, {}, "Taxas de iva convertidas!"},
        {"Produtos", " produtos...", "referencia", {produtos, codigosbarras}, {}, "Produtos convertidos!"},
        {"Fornecedores", " fornecedores...", {}, {fornecedores}, {}, "Fornecedores convertidos!"},
        {"Unidades", " unidades...", {}, {unidades}, {}, "Unidades convertidas!"},
    };
    for (TableStep& step : steps) {
        for (const std::vector<RowCopy>* copies : {&step.copies, &step.followUps}) {
            for (const RowCopy& copy : *copies)
                step.destinationTables.append(copy.destinationTable);
        }
    }
    return steps;
}

}  // namespace

const std::vector<TableStep>& tableSteps()
{
    static const std::vector<TableStep> steps = buildTableSteps();
    return steps;
}

}  // namespace core
